// The owning pool buffer.
#include "support/PoolBuffer.h"

PoolBuffer::PoolBuffer(UINTN Size, POOL_WIPE WipeMode) : Buffer(PoolAllocZeroed(Size)), Wipe(WipeMode) {
  Length = Buffer == NULL ? 0 : Size;
}

PoolBuffer& PoolBuffer::operator=(PoolBuffer&& Other) {
  if (this != &Other) {
    Reset();
    Buffer = Other.Buffer;
    Length = Other.Length;
    Wipe = Other.Wipe;
    Other.Buffer = NULL;
    Other.Length = 0;
  }
  return *this;
}

PoolBuffer PoolBuffer::Adopt(VOID* Owned, UINTN Size, POOL_WIPE WipeMode) {
  PoolBuffer Result;
  Result.Buffer = Owned;
  Result.Length = Owned == NULL ? 0 : Size;
  Result.Wipe = WipeMode;
  return Result;
}

VOID* PoolBuffer::Detach() {
  VOID* Owned = Buffer;
  Buffer = NULL;
  Length = 0;
  return Owned;
}

VOID PoolBuffer::Reset() {
  if (Buffer == NULL) {
    return;
  }
  if (Wipe == PoolWipeOnFree) {
    PoolFreeWiped(Buffer, Length);
  } else {
    PoolFree(Buffer);
  }
  Buffer = NULL;
  Length = 0;
}
