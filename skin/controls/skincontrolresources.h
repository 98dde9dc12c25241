// Start-up of the skinned controls' embedded resources (the slider's
// built-in thumb and ruler bitmaps): registers them for TResourceStream.
// The slider calls it before loading them; later calls do nothing. The table
// is generated from resources/ (project_embed_resources).
#pragma once

void InitSkinControlResources();
