// SPDX-License-Identifier: GPL-3.0-or-later
// The page's side of the program: it shows what the core asks for and hands
// it the clicks and keys. Every decision about the exercise is the core's.

const $ = (id) => document.getElementById(id);

const views = [$('frm_hoofd'), $('frm_werk')];
const message = $('message');
let core = null;
let activeView = null;
let ending = null;    // the exit code, once the program ends
let afterMessage = null;

// Shrinks the active view evenly to fit the viewport; never enlarges it.
function fit() {
  for (const view of views) {
    const style = getComputedStyle(view);
    const width = parseFloat(style.getPropertyValue('--width')) / 15;
    const height = parseFloat(style.getPropertyValue('--height')) / 15;
    const scale = Math.min(1, window.innerWidth / width, window.innerHeight / height);
    view.style.setProperty('--scale', String(scale));
  }
}

function messageOpen() {
  return message.open;
}

function showMessage(title, text, then) {
  $('message-title').textContent = title;
  $('message-text').textContent = text; // plain text: what was typed is shown, never interpreted
  afterMessage = then;
  message.showModal();
  $('message-ok').focus();
}

message.addEventListener('close', () => {
  const then = afterMessage;
  afterMessage = null;
  if (then)
    then();
});
$('message-ok').addEventListener('click', () => message.close());

// Strings cross into the core as UTF-8 on its heap: a long paste cannot overrun its stack.
function toCore(text) {
  const bytes = new TextEncoder().encode(text);
  const pointer = core._malloc(bytes.length + 1);
  core.HEAPU8.set(bytes, pointer);
  core.HEAPU8[pointer + bytes.length] = 0;
  return pointer;
}

function callWithTexts(name, ...texts) {
  const pointers = texts.map(toCore);
  try {
    core['_' + name](...pointers);
  } finally {
    for (const pointer of pointers)
      core._free(pointer);
  }
}

function act(what) {
  if (!core || ending !== null || messageOpen())
    return;
  switch (what) {
  case 'start':
    if (activeView === 'frm_hoofd')
      callWithTexts('tarvelin_start', $('frm_hoofd-txt_start').value, $('frm_hoofd-txt_speed').value);
    break;
  case 'faster':
    if (activeView === 'frm_werk')
      core._tarvelin_faster();
    break;
  case 'slower':
    if (activeView === 'frm_werk')
      core._tarvelin_slower();
    break;
  case 'exit':
    core._tarvelin_exit();
    break;
  }
}

$('frm_hoofd-cmd_start').addEventListener('click', () => act('start'));
$('frm_hoofd-cmd_exit').addEventListener('click', () => act('exit'));
$('frm_werk-cmd_exit').addEventListener('click', () => act('exit'));
$('frm_werk-Command1').addEventListener('click', () => act('faster'));
$('frm_werk-Command2').addEventListener('click', () => act('slower'));
$('ended-again').addEventListener('click', () => window.location.reload());

function focusables(view) {
  return [...view.querySelectorAll('input, button, [tabindex="0"]')].filter((element) => !element.hidden);
}

document.addEventListener('keydown', (event) => {
  if (!activeView || messageOpen())
    return;
  const view = $(activeView);
  // Alt+S and Alt+E press the underlined buttons in every browser, not only
  // where accesskey happens to use Alt; a second press by accesskey does nothing.
  if (event.altKey && !event.ctrlKey && !event.metaKey) {
    if (event.code === 'KeyS' && activeView === 'frm_hoofd') {
      event.preventDefault();
      act('start');
    } else if (event.code === 'KeyE') {
      event.preventDefault();
      act('exit');
    }
    return;
  }
  // Tab goes round within the view, as it does within a window.
  if (event.key === 'Tab' && !event.ctrlKey && !event.altKey && !event.metaKey) {
    const order = focusables(view);
    if (order.length === 0)
      return;
    const at = order.indexOf(document.activeElement);
    if (at === -1 || (!event.shiftKey && at === order.length - 1) || (event.shiftKey && at === 0)) {
      event.preventDefault();
      order[event.shiftKey ? order.length - 1 : 0].focus();
    }
  }
});

function installedWindow() {
  return window.matchMedia('(display-mode: standalone)').matches
      || window.matchMedia('(display-mode: minimal-ui)').matches
      || window.navigator.standalone === true;
}

function showEnded() {
  for (const view of views)
    view.hidden = true;
  activeView = null;
  document.title = 'Tarvelin';
  // An installed app's window may close itself; a tab the user opened is theirs.
  if (installedWindow())
    window.close();
  $('ended').hidden = false;
  $('ended-again').focus();
}

// What the core calls (web/page.cpp and platform/program_end_web.cpp).
const page = {
  showView(id, title, firstFocus) {
    for (const view of views)
      view.hidden = view.id !== id;
    activeView = id;
    document.title = title;
    $('loading').hidden = true;
    fit();
    $(firstFocus).focus();
  },
  setText(id, text) {
    const element = $(id);
    if (element instanceof HTMLInputElement)
      element.value = text;
    else
      element.textContent = text;
  },
  setVisible(id, visible) {
    $(id).hidden = !visible;
  },
  isVisible(id) {
    return !$(id).hidden;
  },
  showInputError(text, fieldId) {
    showMessage('Ongeldige invoer', text, () => {
      const field = $(fieldId);
      field.focus();
      field.select();
    });
  },
  showRuntimeError(text) {
    showMessage('Tarvelin', text, null);
  },
  endProgram(exitCode) {
    ending = exitCode;
    for (const view of views)
      view.hidden = true;
    if (messageOpen())
      afterMessage = showEnded;
    else
      showEnded();
  },
};

window.addEventListener('resize', fit);
window.addEventListener('orientationchange', fit);

if ('serviceWorker' in navigator && window.location.protocol.startsWith('http'))
  navigator.serviceWorker.register('sw.js').catch(() => {}); // without it the page still works, only not offline

function cannotStart() {
  $('loading-text').textContent = 'Tarvelin kan niet starten: deze browser kan het programma niet uitvoeren.';
}

if (typeof createTarvelinCore === 'function') {
  createTarvelinCore({ page }).then((instance) => {
    core = instance;
    core._tarvelin_main();
  }, cannotStart);
} else {
  cannotStart();
}
