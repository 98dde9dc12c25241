// The program's embedded resources: the cursors of the preview windows
// (resources/) and the stored skins "1.skn" .. "10.skn" made by the build.
#pragma once

void InitMainResources();
void InitMainSkins();
