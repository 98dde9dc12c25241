// The main window's pages are made by the libraries above it: each tab
// registers a factory for its page, so the window never includes the tabs and
// no two libraries need each other.
#pragma once

#include <functional>

class TComponent;
class TFrame;
class TWinControl;

// Makes the page's frame, owned by Owner and placed on Parent.
using TTabFactory = std::function<TFrame*(TComponent* Owner, TWinControl* Parent)>;

// Page 0 is the convert tab, page 1 the rename tab. A later registration for
// a page replaces the earlier one; an empty factory removes it.
void RegisterTabFactory(int Page, TTabFactory Factory);
// The factory registered for the page, or an empty one.
TTabFactory FindTabFactory(int Page);
