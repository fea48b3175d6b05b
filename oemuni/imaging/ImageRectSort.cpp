#include "oemuni/imaging/ImageRectSort.h"

#include <cstring>
#include <new>
#include <vector>

#include "oemuni/imaging/FontRecordView.h"

namespace {


WORD TopOf(const BYTE* r) { return ReadLe16(r + 2); }
// A slot looks free when its left and right bytes are all zero.
bool LooksFree(const BYTE* r) { return r[0] == 0 && r[1] == 0 && r[4] == 0 && r[5] == 0; }

}  // namespace

int SortImageRects(ByteBuffer& imageRects) {
    const DWORD size = imageRects.size();
    if (size == 0) return 1;
    std::vector<BYTE> copy;
    try {
        copy.assign(imageRects.data(), imageRects.data() + size);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    BYTE* list = imageRects.data();
    std::memset(list, 0, size);

    const DWORD count = size / IMAGE_RECT_SIZE;
    for (DWORD k = 0; k < count; ++k) {
        const BYTE* rec = copy.data() + k * IMAGE_RECT_SIZE;
        DWORD slot = k;
        for (DWORD s = 0; s <= k; ++s) {
            const BYTE* placed = list + s * IMAGE_RECT_SIZE;
            if (TopOf(placed) > TopOf(rec) || LooksFree(placed)) {
                slot = s;
                break;
            }
        }
        std::memmove(list + (slot + 1) * IMAGE_RECT_SIZE, list + slot * IMAGE_RECT_SIZE,
                     (k - slot) * IMAGE_RECT_SIZE);
        std::memcpy(list + slot * IMAGE_RECT_SIZE, rec, IMAGE_RECT_SIZE);
    }
    return 1;
}
