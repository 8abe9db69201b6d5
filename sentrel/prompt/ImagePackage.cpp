// Image lookup in the built-in image package. The walk never leaves the
// package: every field it reads and every step it takes is checked against
// the package's own length.
#include "sentrel/prompt/ImagePackage.h"

#include "support/Arith.h"

EFI_STATUS FindImageInPackage(const UINT8* PackageList, UINT16 Id, const UINT8** Image, UINT32* ImageSize) {
  UINT32 ListLength = ReadUnaligned32(PackageList);
  if (ListLength < IMAGE_PACKAGE_LIST_HEADER_SIZE + IMAGE_PACKAGE_HEADER_SIZE) {
    return EFI_NOT_FOUND;
  }
  const UINT8* Package = PackageList + IMAGE_PACKAGE_LIST_HEADER_SIZE;
  UINT32 PackageHeader = ReadUnaligned32(Package);
  UINT32 PackageLength = PackageHeader & IMAGE_PACKAGE_LENGTH_MASK;
  if ((PackageHeader >> IMAGE_PACKAGE_TYPE_SHIFT) != IMAGE_PACKAGE_TYPE_IMAGES ||
      PackageLength < IMAGE_PACKAGE_HEADER_SIZE || PackageLength > ListLength - IMAGE_PACKAGE_LIST_HEADER_SIZE) {
    return EFI_NOT_FOUND;
  }
  UINT32 Offset = ReadUnaligned32(Package + IMAGE_PACKAGE_BLOCKS_OFFSET_FIELD);
  if (Offset < IMAGE_PACKAGE_HEADER_SIZE) {
    return EFI_NOT_FOUND;
  }

  // Offset never passes PackageLength inside the loop, so the subtractions
  // below cannot wrap.
  for (UINTN Counter = 1;; Counter++) {
    if (Offset >= PackageLength) {
      return EFI_NOT_FOUND;
    }
    const UINT8* Block = Package + Offset;
    if (Block[0] == IMAGE_BLOCK_END) {
      return EFI_SUCCESS;
    }
    if (PackageLength - Offset < IMAGE_BLOCK_HEADER_SIZE) {
      return EFI_NOT_FOUND;
    }
    UINT32 BlockLength = ReadUnaligned32(Block + IMAGE_BLOCK_LENGTH_FIELD);
    if (BlockLength < IMAGE_BLOCK_HEADER_SIZE || BlockLength > PackageLength - Offset) {
      return EFI_NOT_FOUND;
    }
    if (Counter == Id) {
      *Image = Block + IMAGE_BLOCK_HEADER_SIZE;
      *ImageSize = BlockLength - IMAGE_BLOCK_HEADER_SIZE;
      return EFI_SUCCESS;
    }
    if (Block[0] != IMAGE_BLOCK_EXT4) {
      return EFI_NOT_FOUND;
    }
    Offset += BlockLength;
  }
}

EFI_STATUS FindPackageImage(UINT16 Id, const UINT8** Image, UINT32* ImageSize) {
  return FindImageInPackage(PromptImagePackage, Id, Image, ImageSize);
}
