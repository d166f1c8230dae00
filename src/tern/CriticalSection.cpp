#include "tern/CriticalSection.h"

namespace Tern {

void CriticalSection::lock() { mutex.lock(); }

void CriticalSection::unlock() { mutex.unlock(); }

}  // namespace Tern
