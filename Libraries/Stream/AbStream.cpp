#include "AbStream.h"

unsigned CopyStream(IAbStream& source, IAbStream& target, unsigned count)
{
    unsigned available = source.GetLength() - source.GetPosition();
    unsigned n = (count == 0 || count > available) ? available : count;
    char block[kCopyBlock];
    for (unsigned moved = 0; moved < n;) {
        unsigned step = n - moved < kCopyBlock ? n - moved : kCopyBlock;
        source.Serialize(static_cast<void*>(block), step);
        target.Serialize(static_cast<const void*>(block), step);
        moved += step;
    }
    return n;
}
