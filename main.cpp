// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/program.h"

int main(int argc, char *argv[])
{
    return windows::runApplication(argc, argv);
}
