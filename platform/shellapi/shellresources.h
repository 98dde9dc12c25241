// Start-up of the shell library's embedded resources (the built-in icon set):
// registers them for TResourceStream. The icon routines call it first; later
// calls do nothing. The table is generated from resources/
// (project_embed_resources).
#pragma once

void InitShellResources();
