// The common controls in one include: list view and header, and where they
// are built, tree view, tab and page controls, bars and rich edit.
#pragma once

#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/comctrls_header.h"
#include "platform/vcl/comctrls_listview.h"

#if __has_include("platform/vcl/comctrls_treeview.h")
#include "platform/vcl/comctrls_treeview.h"
#endif
#if __has_include("platform/vcl/comctrls_tabs.h")
#include "platform/vcl/comctrls_tabs.h"
#endif
#if __has_include("platform/vcl/comctrls_bars.h")
#include "platform/vcl/comctrls_bars.h"
#endif
#if __has_include("platform/vcl/comctrls_richedit.h")
#include "platform/vcl/comctrls_richedit.h"
#endif
