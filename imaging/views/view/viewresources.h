// Start-up of the image views' embedded resources (the view cursors):
// registers them for TResourceStream. The views call it before loading a
// cursor; later calls do nothing. The table is generated from resources/
// (project_embed_resources).
#pragma once

void InitViewResources();
