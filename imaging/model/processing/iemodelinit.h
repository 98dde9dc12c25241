// Start-up of the image model: installs the routines the pixel library calls
// back into (the colour-depth conversions of TIEBitmap::ColorDepthHooks) and
// sets the heap up for image-sized blocks (IEKeepLargeHeapBlocks).
// A program that converts pixel formats calls it before; IEInitImageIO does.
#pragma once

// Runs once per process; later calls return at once.
void IEInitImageModel();
