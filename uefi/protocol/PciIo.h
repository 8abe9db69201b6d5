// The PCI I/O protocol of one PCI function: memory, I/O and configuration
// access, bus-master mapping and DMA buffers, location and attributes.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID EFI_PCI_IO_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x4CF5B200, 0x68B8, 0x4CA5, 0x9E, 0xEC, 0xB2, 0x3E, 0x3F, 0x50, 0x02, 0x9A);

enum EFI_PCI_IO_PROTOCOL_WIDTH : UINT32 {
  EfiPciIoWidthUint8,
  EfiPciIoWidthUint16,
  EfiPciIoWidthUint32,
  EfiPciIoWidthUint64,
  // The device address stays put, the buffer address advances.
  EfiPciIoWidthFifoUint8,
  EfiPciIoWidthFifoUint16,
  EfiPciIoWidthFifoUint32,
  EfiPciIoWidthFifoUint64,
  // The device address advances, the buffer address stays put.
  EfiPciIoWidthFillUint8,
  EfiPciIoWidthFillUint16,
  EfiPciIoWidthFillUint32,
  EfiPciIoWidthFillUint64,
  EfiPciIoWidthMaximum
};
static_assert(sizeof(EFI_PCI_IO_PROTOCOL_WIDTH) == 4);

// A BarIndex that passes the offset through as the bus address.
#define EFI_PCI_IO_PASS_THROUGH_BAR 0xFF

enum EFI_PCI_IO_PROTOCOL_OPERATION : UINT32 {
  EfiPciIoOperationBusMasterRead,
  EfiPciIoOperationBusMasterWrite,
  // Memory that the processor and the device both use at the same time.
  EfiPciIoOperationBusMasterCommonBuffer,
  EfiPciIoOperationMaximum
};
static_assert(sizeof(EFI_PCI_IO_PROTOCOL_OPERATION) == 4);

enum EFI_PCI_IO_PROTOCOL_ATTRIBUTE_OPERATION : UINT32 {
  EfiPciIoAttributeOperationGet,
  EfiPciIoAttributeOperationSet,
  EfiPciIoAttributeOperationEnable,
  EfiPciIoAttributeOperationDisable,
  EfiPciIoAttributeOperationSupported,
  EfiPciIoAttributeOperationMaximum
};
static_assert(sizeof(EFI_PCI_IO_PROTOCOL_ATTRIBUTE_OPERATION) == 4);

// Attribute bits of Attributes and of AllocateBuffer.
#define EFI_PCI_IO_ATTRIBUTE_ISA_MOTHERBOARD_IO 0x0001ull
#define EFI_PCI_IO_ATTRIBUTE_ISA_IO 0x0002ull
#define EFI_PCI_IO_ATTRIBUTE_VGA_PALETTE_IO 0x0004ull
#define EFI_PCI_IO_ATTRIBUTE_VGA_MEMORY 0x0008ull
#define EFI_PCI_IO_ATTRIBUTE_VGA_IO 0x0010ull
#define EFI_PCI_IO_ATTRIBUTE_IDE_PRIMARY_IO 0x0020ull
#define EFI_PCI_IO_ATTRIBUTE_IDE_SECONDARY_IO 0x0040ull
#define EFI_PCI_IO_ATTRIBUTE_MEMORY_WRITE_COMBINE 0x0080ull
#define EFI_PCI_IO_ATTRIBUTE_IO 0x0100ull
#define EFI_PCI_IO_ATTRIBUTE_MEMORY 0x0200ull
#define EFI_PCI_IO_ATTRIBUTE_BUS_MASTER 0x0400ull
#define EFI_PCI_IO_ATTRIBUTE_MEMORY_CACHED 0x0800ull
#define EFI_PCI_IO_ATTRIBUTE_MEMORY_DISABLE 0x1000ull
#define EFI_PCI_IO_ATTRIBUTE_EMBEDDED_DEVICE 0x2000ull
#define EFI_PCI_IO_ATTRIBUTE_EMBEDDED_ROM 0x4000ull
#define EFI_PCI_IO_ATTRIBUTE_DUAL_ADDRESS_CYCLE 0x8000ull
#define EFI_PCI_IO_ATTRIBUTE_ISA_IO_16 0x10000ull
#define EFI_PCI_IO_ATTRIBUTE_VGA_PALETTE_IO_16 0x20000ull
#define EFI_PCI_IO_ATTRIBUTE_VGA_IO_16 0x40000ull
#define EFI_PCI_DEVICE_ENABLE \
  (EFI_PCI_IO_ATTRIBUTE_IO | EFI_PCI_IO_ATTRIBUTE_MEMORY | EFI_PCI_IO_ATTRIBUTE_BUS_MASTER)

struct EFI_PCI_IO_PROTOCOL;

// Memory or I/O space of a BAR.
typedef EFI_STATUS(EFIAPI* EFI_PCI_IO_PROTOCOL_IO_MEM)(EFI_PCI_IO_PROTOCOL* This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                                       UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID* Buffer);
struct EFI_PCI_IO_PROTOCOL_ACCESS {
  EFI_PCI_IO_PROTOCOL_IO_MEM Read;
  EFI_PCI_IO_PROTOCOL_IO_MEM Write;
};
static_assert(sizeof(EFI_PCI_IO_PROTOCOL_ACCESS) == 16);

// Configuration space of the function.
typedef EFI_STATUS(EFIAPI* EFI_PCI_IO_PROTOCOL_CONFIG)(EFI_PCI_IO_PROTOCOL* This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                                       UINT32 Offset, UINTN Count, VOID* Buffer);
struct EFI_PCI_IO_PROTOCOL_CONFIG_ACCESS {
  EFI_PCI_IO_PROTOCOL_CONFIG Read;
  EFI_PCI_IO_PROTOCOL_CONFIG Write;
};
static_assert(sizeof(EFI_PCI_IO_PROTOCOL_CONFIG_ACCESS) == 16);

typedef EFI_STATUS(EFIAPI* EFI_PCI_IO_PROTOCOL_POLL_IO_MEM)(EFI_PCI_IO_PROTOCOL* This,
                                                            EFI_PCI_IO_PROTOCOL_WIDTH Width, UINT8 BarIndex,
                                                            UINT64 Offset, UINT64 Mask, UINT64 Value, UINT64 Delay,
                                                            UINT64* Result);

struct EFI_PCI_IO_PROTOCOL {
  EFI_PCI_IO_PROTOCOL_POLL_IO_MEM PollMem;
  EFI_PCI_IO_PROTOCOL_POLL_IO_MEM PollIo;
  EFI_PCI_IO_PROTOCOL_ACCESS Mem;
  EFI_PCI_IO_PROTOCOL_ACCESS Io;
  EFI_PCI_IO_PROTOCOL_CONFIG_ACCESS Pci;
  EFI_STATUS(EFIAPI* CopyMem)(EFI_PCI_IO_PROTOCOL* This, EFI_PCI_IO_PROTOCOL_WIDTH Width, UINT8 DestBarIndex,
                               UINT64 DestOffset, UINT8 SrcBarIndex, UINT64 SrcOffset, UINTN Count);
  // *NumberOfBytes comes back as the length actually mapped.
  EFI_STATUS(EFIAPI* Map)(EFI_PCI_IO_PROTOCOL* This, EFI_PCI_IO_PROTOCOL_OPERATION Operation, VOID* HostAddress,
                           UINTN* NumberOfBytes, EFI_PHYSICAL_ADDRESS* DeviceAddress, VOID** Mapping);
  EFI_STATUS(EFIAPI* Unmap)(EFI_PCI_IO_PROTOCOL* This, VOID* Mapping);
  // Pages suitable for EfiPciIoOperationBusMasterCommonBuffer.
  EFI_STATUS(EFIAPI* AllocateBuffer)(EFI_PCI_IO_PROTOCOL* This, EFI_ALLOCATE_TYPE Type, EFI_MEMORY_TYPE MemoryType,
                                      UINTN Pages, VOID** HostAddress, UINT64 Attributes);
  EFI_STATUS(EFIAPI* FreeBuffer)(EFI_PCI_IO_PROTOCOL* This, UINTN Pages, VOID* HostAddress);
  EFI_STATUS(EFIAPI* Flush)(EFI_PCI_IO_PROTOCOL* This);
  EFI_STATUS(EFIAPI* GetLocation)(EFI_PCI_IO_PROTOCOL* This, UINTN* SegmentNumber, UINTN* BusNumber,
                                   UINTN* DeviceNumber, UINTN* FunctionNumber);
  EFI_STATUS(EFIAPI* Attributes)(EFI_PCI_IO_PROTOCOL* This, EFI_PCI_IO_PROTOCOL_ATTRIBUTE_OPERATION Operation,
                                  UINT64 Attributes, UINT64* Result);
  EFI_STATUS(EFIAPI* GetBarAttributes)(EFI_PCI_IO_PROTOCOL* This, UINT8 BarIndex, UINT64* Supports,
                                        VOID** Resources);
  EFI_STATUS(EFIAPI* SetBarAttributes)(EFI_PCI_IO_PROTOCOL* This, UINT64 Attributes, UINT8 BarIndex,
                                        UINT64* Offset, UINT64* Length);
  // The function's option ROM as found at enumeration.
  UINT64 RomSize;
  VOID* RomImage;
};
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, PollIo) == 8);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Mem.Read) == 16);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Mem.Write) == 24);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Io.Read) == 32);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Io.Write) == 40);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Pci.Read) == 48);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Pci.Write) == 56);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, CopyMem) == 64);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Map) == 72);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Unmap) == 80);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, AllocateBuffer) == 88);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, FreeBuffer) == 96);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Flush) == 104);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, GetLocation) == 112);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Attributes) == 120);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, GetBarAttributes) == 128);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, SetBarAttributes) == 136);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, RomSize) == 144);
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, RomImage) == 152);
static_assert(sizeof(EFI_PCI_IO_PROTOCOL) == 160);
