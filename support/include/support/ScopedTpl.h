// Raises the task priority level for the life of a scope and restores the
// previous level when it ends. Only ever a local.
#pragma once
#include "support/Library.h"

class ScopedTpl {
 public:
  explicit ScopedTpl(EFI_TPL NewTpl) : OldTpl(gBS->RaiseTPL(NewTpl)) {}
  ~ScopedTpl() { gBS->RestoreTPL(OldTpl); }

  ScopedTpl(const ScopedTpl&) = delete;
  ScopedTpl& operator=(const ScopedTpl&) = delete;

 private:
  EFI_TPL OldTpl;
};
