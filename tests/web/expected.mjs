// SPDX-License-Identifier: GPL-3.0-or-later
// What both browsers' tests expect of the page, worked out by hand.

// A vowel or digraph of the first 16 slots, then a consonant of the first 18.
export const stimulusForm = /^(a|e|i|o|u|ui|eu|aa|oo|ie|ei|au|ee|uu|ij|ou)(t|f|s|g|k|m|l|n|p|r)$/;

// Each position and size worked out by hand from the windows' twips, 15 to a pixel.
export const settingsLayout = [
  ['Label1', 'Geef start interval', [16, 24, 106.67, 17]],
  ['txt_start', '2000', [136, 24, 105, 19]],
  ['Label3', 'Mili seconden', [256, 24, 81, 17]],
  ['Label2', 'Geef versnelling', [16, 64, 106.67, 17]],
  ['txt_speed', '100', [136, 64, 105, 19]],
  ['Label4', 'Mili seconden', [256, 64, 81, 17]],
  ['cmd_start', 'Start', [16, 144, 113, 33]],
  ['cmd_exit', 'Einde', [240, 144, 113, 33]],
];
export const exerciseLayout = [
  ['txt_string', [352, 288, 225, 97]],
  ['Picture1', [384, 280, 153, 113]],
  ['Command2', [904, 504, 81, 33]],
  ['Command1', [904, 552, 81, 33]],
  ['cmd_exit', [760, 608, 113, 33]],
  ['Label4', [896, 616, 33, 17]],
  ['Label3', [952, 616, 49, 17]],
  ['Label5', [904, 656, 25, 17]],
  ['Label1', [952, 656, 49, 17]],
];
