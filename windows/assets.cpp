// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/assets.h"

#include <QtGlobal>

// Q_INIT_RESOURCE may not stand inside a namespace, and a static library's
// resources are dropped by the linker unless something names them.
static void initAssets()
{
    Q_INIT_RESOURCE(assets);
}

namespace windows {

void loadAssets()
{
    static const bool loaded = (initAssets(), true);
    (void)loaded;
}

} // namespace windows
