// Keeps the library non-empty until its first module lands.
int platform_gui_placeholder() { return 0; }
