// The image package built into the driver: one image package inside a
// package list, its images stored as extended blocks that each hold a whole
// BMP file. Image id N is the N-th such block, counting from 1.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

// Package list: a UINT32 total length (counting itself), then the package.
#define IMAGE_PACKAGE_LIST_HEADER_SIZE 4u
// Package header: length in the low 24 bits and type in the top byte, then
// the UINT32 offset from the package header to the first image block.
#define IMAGE_PACKAGE_LENGTH_MASK 0x00FFFFFFu
#define IMAGE_PACKAGE_TYPE_SHIFT 24
#define IMAGE_PACKAGE_TYPE_IMAGES 0x0Au
#define IMAGE_PACKAGE_BLOCKS_OFFSET_FIELD 4u
#define IMAGE_PACKAGE_HEADER_SIZE 8u
// Image blocks: a type byte; an extended block then has a second type byte
// and a UINT32 length that counts its own 6-byte header.
#define IMAGE_BLOCK_END 0x00u
#define IMAGE_BLOCK_EXT4 0x32u
#define IMAGE_BLOCK_EXT4_BMP 0x80u
#define IMAGE_BLOCK_TYPE2_FIELD 1u
#define IMAGE_BLOCK_LENGTH_FIELD 2u
#define IMAGE_BLOCK_HEADER_SIZE 6u

// The driver's built-in images, in read-only data (generated at build time).
extern const UINT8 PromptImagePackage[];

// Finds image Id in the package list at PackageList. Found: *Image and
// *ImageSize give the BMP file inside the package. The end block before image
// Id: EFI_SUCCESS with both left as they were. A block of an unknown type, or
// a package, offset or block length that does not fit the package:
// EFI_NOT_FOUND.
[[nodiscard]] EFI_STATUS FindImageInPackage(const UINT8* PackageList, UINT16 Id, const UINT8** Image,
                                            UINT32* ImageSize);

// FindImageInPackage on the built-in images.
[[nodiscard]] EFI_STATUS FindPackageImage(UINT16 Id, const UINT8** Image, UINT32* ImageSize);
