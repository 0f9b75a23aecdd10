// Dirty-rectangle walk over the change map of the last decoded frame: runs of
// marked groups per block row, merged by the area rule, aligned to 8 pixels,
// then joined with pending rectangles that share a whole edge.
#include <algorithm>

#include "codec/video.h"

namespace zorb {

namespace {

int64_t Area(const DirtyRect &r)
{
    return int64_t{r.right - r.left} * (r.bottom - r.top);
}

DirtyRect Union(const DirtyRect &a, const DirtyRect &b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

bool SharesEdge(const DirtyRect &a, const DirtyRect &b)
{
    if (a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top))
        return true;
    return a.top == b.top && a.bottom == b.bottom && (a.right == b.left || b.right == a.left);
}

// Next run of marked groups inside one block row, in picture coordinates.
bool NextRun(OutputDescriptor &od, DirtyRect &run)
{
    const uint32_t bpr = od.blocksPerRow, total = bpr * od.blockRows;
    uint32_t b = od.walkBlock;
    while (b < total) {
        if (!od.changeMap[b / 16]) {
            b = (b / 16 + 1) * 16; // an unmarked group: 64 pixels at a time
            continue;
        }
        const uint32_t row = b / bpr, rowEnd = std::min((row + 1) * bpr, total);
        uint32_t e = b;
        while (e < rowEnd && od.changeMap[e / 16])
            e = std::min((e / 16 + 1) * 16, rowEnd);
        run = {static_cast<int32_t>((b - row * bpr) * 4), static_cast<int32_t>(row * 4),
               static_cast<int32_t>((e - row * bpr) * 4), static_cast<int32_t>(row * 4 + 4)};
        od.walkBlock = e;
        return true;
    }
    od.walkBlock = total;
    return false;
}

// One merged rectangle in buffer coordinates.
bool ProduceRect(OutputDescriptor &od, int mode, DirtyRect &out)
{
    DirtyRect box;
    if (od.heldValid) {
        box = od.held;
        od.heldValid = 0;
    } else if (!NextRun(od, box)) {
        return false;
    }
    int64_t sum = Area(box) * 5 / 4;
    DirtyRect run;
    while (NextRun(od, run)) {
        const DirtyRect u = Union(box, run);
        const int64_t s = sum + Area(run) * 5 / 4;
        if (mode == 1 || Area(u) <= s) {
            box = u;
            sum = s;
        } else {
            od.held = run;
            od.heldValid = 1;
            break;
        }
    }
    const int64_t ox = od.outputX;
    int64_t left = box.left + ox, width = box.right - box.left;
    const int64_t aligned = left & ~int64_t{7};
    if (aligned >= ox) {
        width += left - aligned;
        left = aligned;
    }
    const int64_t rounded = (width + 7) & ~int64_t{7};
    if (rounded < int64_t{od.width} - (left - ox))
        width = rounded;
    const int64_t scale = od.interlaced || od.doubled ? 2 : 1;
    out.left = static_cast<int32_t>(left);
    out.right = static_cast<int32_t>(left + width);
    out.top = static_cast<int32_t>(box.top * scale + od.outputY);
    out.bottom = static_cast<int32_t>(box.bottom * scale + od.outputY);
    return true;
}

void Push(OutputDescriptor &od, DirtyRect r)
{
    for (bool joined = true; joined;) {
        joined = false;
        for (uint32_t i = 0; i < od.pendingCount; ++i)
            if (SharesEdge(od.pending[i], r)) {
                r = Union(od.pending[i], r);
                std::copy(od.pending + i + 1, od.pending + od.pendingCount, od.pending + i);
                --od.pendingCount;
                joined = true;
                break;
            }
    }
    od.pending[od.pendingCount++] = r;
}

} // namespace

void StartDirtyWalk(OutputDescriptor &out)
{
    out.walkBlock = 0;
    out.walkDone = 0;
    out.heldValid = 0;
}

bool PopPendingRect(OutputDescriptor &out, int32_t rect[4])
{
    if (out.pendingCount == 0)
        return false;
    const DirtyRect r = out.pending[0];
    std::copy(out.pending + 1, out.pending + out.pendingCount, out.pending);
    --out.pendingCount;
    rect[0] = r.left;
    rect[1] = r.top;
    rect[2] = r.right - r.left;
    rect[3] = r.bottom - r.top;
    return true;
}

bool NextDirtyRect(OutputDescriptor &out, int mode, int32_t rect[4])
{
    while (!out.walkDone && out.pendingCount < 4) {
        DirtyRect r;
        if (!ProduceRect(out, mode, r)) {
            out.walkDone = 1;
            break;
        }
        Push(out, r);
    }
    return PopPendingRect(out, rect);
}

} // namespace zorb
