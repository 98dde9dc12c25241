// Start-up of the shell controls' embedded resources (the check-state
// pictures): registers them for TResourceStream. The image lists call it
// first; later calls do nothing. The table is generated from resources/
// (project_embed_resources).
#pragma once

void InitShellControlResources();
