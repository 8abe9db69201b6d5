// A zero-filled boot-services pool buffer owned by one scope or object: it is
// freed on every path out of its owner unless ownership is handed out with
// Detach. Only ever a local or a member, never a global.
#pragma once
#include "support/Pool.h"

enum POOL_WIPE : UINT8 {
  PoolNoWipe,
  PoolWipeOnFree,  // buffers that hold a password text, block, digest or hash
};

class PoolBuffer {
 public:
  PoolBuffer() = default;
  // Allocates Size zeroed bytes; IsNull() tells whether that failed.
  explicit PoolBuffer(UINTN Size, POOL_WIPE Wipe = PoolNoWipe);
  ~PoolBuffer() { Reset(); }

  PoolBuffer(const PoolBuffer&) = delete;
  PoolBuffer& operator=(const PoolBuffer&) = delete;
  PoolBuffer(PoolBuffer&& Other) : Buffer(Other.Buffer), Length(Other.Length), Wipe(Other.Wipe) {
    Other.Buffer = NULL;
    Other.Length = 0;
  }
  PoolBuffer& operator=(PoolBuffer&& Other);

  // Takes ownership of pool memory allocated elsewhere (a handle array, a
  // buffer a service returned), of Size bytes.
  static PoolBuffer Adopt(VOID* Buffer, UINTN Size, POOL_WIPE Wipe = PoolNoWipe);

  VOID* Get() const { return Buffer; }
  template <typename T>
  T* As() const {
    return static_cast<T*>(Buffer);
  }
  UINTN Size() const { return Length; }
  BOOLEAN IsNull() const { return Buffer == NULL; }

  // Hands ownership to the caller, who frees the buffer from then on.
  [[nodiscard]] VOID* Detach();
  // Frees the buffer now (wiped first when so asked).
  VOID Reset();

 private:
  VOID* Buffer = NULL;
  UINTN Length = 0;
  POOL_WIPE Wipe = PoolNoWipe;
};
