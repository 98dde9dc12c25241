// EXIF data between the parameter record and the payload of a JPEG APP1
// segment ("Exif", two zero bytes, then a TIFF structure). Both directions go
// through the TIFF codec, so this sits above it in the I/O layer rather than
// in the image model.
#pragma once

#include <cstdint>
#include <vector>

class TIOParamsVals;

// Copies every EXIF field of Source into Dest except HasEXIFData and
// EXIFThumbnail: values through their setters (the resolution therefore also
// sets DpiX/DpiY, the orientation also TIFFOrientation), the maker-note tag
// block byte for byte. Dest's EXIFImageDescription is taken from Source's
// TIFFImageDescription, where the TIFF reader leaves tag 270.
void IECopyEXIF(const TIOParamsVals& Source, TIOParamsVals& Dest);

// Writes Params' EXIF fields as an APP1 payload: "Exif", two zero bytes, then
// the TIFF structure of the TIFF writer's EXIF-only mode, whose offsets count
// from its own header. Block's size is that structure's size plus 6. False,
// with Block empty, when the writer fails or throws.
bool IESaveEXIFToBlock(TIOParamsVals& Params, std::vector<uint8_t>& Block);

// Parses an APP1 payload (Size bytes at Block) into Params' EXIF group and
// EXIFThumbnail (the picture of IFD 1, turned by the orientation); sets
// HasEXIFData. False, with Params unchanged, when the payload does not start
// with "Exif" and a zero byte followed by a TIFF header. Never throws: any
// failure on the way answers false. A thumbnail that cannot be decoded
// leaves EXIFThumbnail empty.
bool IELoadEXIFFromBlock(const void* Block, int32_t Size, TIOParamsVals& Params);
