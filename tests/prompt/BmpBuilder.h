// Builds BMP files for the decoder tests, field by field at the offsets of
// the format: a 14-byte file header, the 40-byte information header, the
// colour table and the stored pixel bytes, in that order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct BMP_SPEC {
  std::int32_t Width = 1;
  std::int32_t Height = 1;
  std::uint16_t BitsPerPixel = 24;
  std::uint32_t Compression = 0;
  std::uint32_t ColoursUsed = 0;
  // Blue, Green, Red and reserved per entry.
  std::vector<std::uint32_t> Colours;
  // Everything after the colour table, as stored (rows bottom-up, padded).
  std::vector<std::uint8_t> Pixels;
};

inline void PutLe(std::vector<std::uint8_t>& File, std::size_t Offset, std::uint64_t Value, int Bytes) {
  for (int Index = 0; Index < Bytes; Index++) {
    File[Offset + Index] = static_cast<std::uint8_t>(Value >> (8 * Index));
  }
}

inline std::vector<std::uint8_t> BuildBmp(const BMP_SPEC& Spec) {
  std::size_t PixelOffset = 54 + 4 * Spec.Colours.size();
  std::vector<std::uint8_t> File(PixelOffset, 0);
  File[0] = 'B';
  File[1] = 'M';
  PutLe(File, 2, PixelOffset + Spec.Pixels.size(), 4);
  PutLe(File, 10, PixelOffset, 4);
  PutLe(File, 14, 40, 4);
  PutLe(File, 18, static_cast<std::uint32_t>(Spec.Width), 4);
  PutLe(File, 22, static_cast<std::uint32_t>(Spec.Height), 4);
  PutLe(File, 26, 1, 2);  // planes
  PutLe(File, 28, Spec.BitsPerPixel, 2);
  PutLe(File, 30, Spec.Compression, 4);
  PutLe(File, 34, Spec.Pixels.size(), 4);
  PutLe(File, 46, Spec.ColoursUsed, 4);
  for (std::size_t Index = 0; Index < Spec.Colours.size(); Index++) {
    PutLe(File, 54 + 4 * Index, Spec.Colours[Index], 4);
  }
  File.insert(File.end(), Spec.Pixels.begin(), Spec.Pixels.end());
  return File;
}
