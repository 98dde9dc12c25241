// Start-up of the window system library's embedded resources (the standard
// icons): registers them for TResourceStream and the Load* routines. Every
// routine of the library that reads resources calls it first; later calls do
// nothing. The table is generated from resources/ (project_embed_resources).
#pragma once

void InitGuiResources();
