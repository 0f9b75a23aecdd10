// List files and numbered sequences as one graphics input source: line
// parsing, the entry walk, and reading frames entry after entry.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/text.h"
#include "vexutil/graphics/graphics_input_internal.h"

namespace vex {
namespace {

using zorb::platform::IsBlank;

void Trim(std::string &s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        b++;
    while (e > b && IsBlank(s[e - 1]))
        e--;
    s = s.substr(b, e - b);
}

// Takes /<letter><number> out of s (a slash at the start or after a blank,
// so directory names in paths stay whole). Returns true when found.
bool TakeSwitch(std::string &s, char letter, int32_t *value)
{
    for (size_t i = 0; i + 2 < s.size() + 1; i++) {
        if (s[i] != '/' || (i > 0 && !IsBlank(s[i - 1])))
            continue;
        if (i + 1 >= s.size() || std::toupper(static_cast<unsigned char>(s[i + 1])) != letter)
            continue;
        size_t j = i + 2;
        bool negative = false;
        if (j < s.size() && s[j] == '-') {
            negative = true;
            j++;
        }
        if (j >= s.size() || !std::isdigit(static_cast<unsigned char>(s[j])))
            continue;
        int64_t v = 0;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            if (v < 100000000)
                v = v * 10 + (s[j] - '0');
            j++;
        }
        *value = static_cast<int32_t>(negative ? -v : v);
        s.erase(i, j - i);
        return true;
    }
    return false;
}

int64_t ParseNumber(const std::string &s, size_t *pos)
{
    int64_t v = 0;
    while (*pos < s.size() && std::isdigit(static_cast<unsigned char>(s[*pos]))) {
        if (v < 1000000000)
            v = v * 10 + (s[*pos] - '0');
        (*pos)++;
    }
    return v;
}

std::string DirectoryOf(const std::string &path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

GFILE *OpenEntry(GFILE *g, const ListEntry &e, int32_t first)
{
    return GFileOpen(e.name.c_str(), 0, 0, 0, 0, 0, first, e.last, 0, 65536, 0, 256, 0, 2, nullptr, "",
                     g->priv->progress);
}

} // namespace

ListLine ParseListLine(const std::string &text)
{
    ListLine l;
    std::string s = text.substr(0, 128);
    for (char &c : s)
        if (c == '\\')
            c = '/';
    int32_t v;
    if (TakeSwitch(s, 'S', &v))
        l.first = v;
    if (TakeSwitch(s, 'E', &v))
        l.last = v;
    Trim(s);
    l.name = s;
    size_t q = s.find('?');
    if (q == std::string::npos || s[0] == '#')
        return l;
    size_t end = q;
    while (end < s.size() && s[end] == '?')
        end++;
    l.sequence = true;
    l.prefix = s.substr(0, q);
    l.digits = static_cast<int>(end - q);
    std::string rest = s.substr(end);
    size_t star = rest.find('*');
    l.suffix = rest.substr(0, star);
    if (star != std::string::npos) {
        size_t pos = star + 1;
        l.firstNumber = ParseNumber(rest, &pos);
        l.lastNumber = l.firstNumber;
        if (pos < rest.size() && rest[pos] == '-') {
            pos++;
            l.lastNumber = ParseNumber(rest, &pos);
        }
    } else {
        // The switches give the numbers; without a last number the sequence
        // runs up to the first missing file.
        l.firstNumber = l.first > 0 ? l.first : 0;
        l.lastNumber = l.last > 0 ? l.last : -1;
    }
    l.first = l.last = 0;
    return l;
}

std::string SequenceName(const ListLine &line, int64_t number)
{
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*lld", line.digits > 20 ? 20 : line.digits, static_cast<long long>(number));
    return line.prefix + digits + line.suffix;
}

// ---- Entry walk ------------------------------------------------------------------------

EntryWalker::~EntryWalker()
{
    VEXFileClose(list_);
}

bool EntryWalker::OpenList(const char *path)
{
    list_ = VEXFileOpen(4096, path, VEXFILE_READ);
    dir_ = DirectoryOf(path);
    return list_ != nullptr;
}

void EntryWalker::OpenSequence(const ListLine &line)
{
    isSequence_ = true;
    seq_ = line;
    Rewind();
}

void EntryWalker::Rewind()
{
    if (isSequence_) {
        inSequence_ = true;
        number_ = seq_.firstNumber;
    } else {
        inSequence_ = false;
        VEXFileSetPos(list_, 0);
    }
}

bool EntryWalker::Next(ListEntry *entry)
{
    for (;;) {
        if (inSequence_) {
            bool more = seq_.lastNumber < 0 ? FileExists(SequenceName(seq_, number_)) : number_ <= seq_.lastNumber;
            if (more) {
                entry->name = SequenceName(seq_, number_++);
                entry->first = entry->last = 0;
                return true;
            }
            inSequence_ = false;
            if (isSequence_) {
                Rewind();
                return false;
            }
        }
        if (!list_ || VEXFileAtEnd(list_)) {
            Rewind();
            return false;
        }
        char buf[129];
        VEXFileGetLine(list_, buf, sizeof buf);
        ListLine l = ParseListLine(buf);
        if (l.name.empty() || l.name[0] == '#')
            continue;
        // Relative names are taken from the list file's directory.
        if (l.sequence) {
            if (l.prefix.empty() || l.prefix[0] != '/')
                l.prefix = dir_ + l.prefix;
            seq_ = l;
            inSequence_ = true;
            number_ = l.firstNumber;
            continue;
        }
        entry->name = l.name[0] == '/' ? l.name : dir_ + l.name;
        entry->first = l.first;
        entry->last = l.last;
        return true;
    }
}

// ---- The list as a source --------------------------------------------------------------

namespace {

// The entries one after the other, each opened as a handle of its own when
// its turn comes.
class ListSource final : public GraphicsSource {
public:
    explicit ListSource(std::unique_ptr<EntryWalker> walker) : entries_(std::move(walker)) {}
    ~ListSource() override { GFileClose(entry_); }

    ReadResult Read(GFILE *g, bool *changed) override
    {
        GFilePrivate *p = g->priv;
        bool switched = false;
        if (!entry_ || entry_->lastFrame) {
            GFileClose(entry_);
            entry_ = nullptr;
            p->src = nullptr; // it pointed into the entry
            if (!(skipped_ ? NextEntry(g) : FirstEntry(g)))
                return ReadResult::Failed;
            switched = true;
        }
        GFILE *c = entry_;
        ReadResult r = ReadNextFrame(c, changed);
        if (r == ReadResult::Cancelled)
            return r;
        *changed = *changed || switched;
        p->src = c->priv->src;
        p->srcPitch = c->priv->srcPitch;
        g->frameDepth = c->frameDepth;
        std::memcpy(g->sourcePalette, c->sourcePalette, 768);
        g->frameDataSize = c->frameDataSize;
        g->sourceWidth = c->sourceWidth;
        g->sourceHeight = c->sourceHeight;
        ComputeGeometry(g);
        return r;
    }

    void Rewind(GFILE *g) override
    {
        GFileClose(entry_);
        entry_ = nullptr;
        g->priv->src = nullptr;
        skipped_ = false;
        entries_->Rewind();
    }

private:
    // Whole entries before the first frame are passed over; the one holding
    // it is reopened from the right frame.
    bool FirstEntry(GFILE *g)
    {
        uint32_t skip = g->priv->firstFrameIndex;
        skipped_ = true;
        ListEntry e;
        for (;;) {
            if (!entries_->Next(&e))
                return false;
            GFILE *child = OpenEntry(g, e, e.first);
            if (!child)
                return false;
            if (skip >= child->frames) {
                skip -= child->frames;
                GFileClose(child);
                continue;
            }
            if (skip > 0) {
                GFileClose(child);
                child = OpenEntry(g, e, (e.first > 0 ? e.first : 1) + static_cast<int32_t>(skip));
                if (!child)
                    return false;
            }
            entry_ = child;
            return true;
        }
    }

    // The next entry with frames (the list starts again after its end).
    bool NextEntry(GFILE *g)
    {
        ListEntry e;
        for (int wraps = 0; !entry_;) {
            if (!entries_->Next(&e)) {
                if (++wraps == 2)
                    return false;
                continue;
            }
            GFILE *child = OpenEntry(g, e, e.first);
            if (!child)
                return false;
            if (child->frames == 0)
                GFileClose(child);
            else
                entry_ = child;
        }
        return true;
    }

    std::unique_ptr<EntryWalker> entries_;
    GFILE *entry_ = nullptr;
    bool skipped_ = false; // the first read skipped to the first frame
};

} // namespace

bool OpenListSource(GFILE *g, std::unique_ptr<EntryWalker> walker)
{
    GFilePrivate *p = g->priv;
    uint64_t frames = 0, total = 0;
    uint32_t w = 0, h = 0, depth = 0;
    int32_t frameTime = 0;
    ListEntry e;
    int n = 0;
    while (walker->Next(&e)) {
        if (Progress(g, n++ == 0 ? 1 : 0, "Opening the files in the list..."))
            return false;
        GFILE *child = OpenEntry(g, e, e.first);
        if (!child)
            return false; // the entry reported why
        frames += child->frames;
        total += child->totalSize;
        w = std::max(w, child->width);
        h = std::max(h, child->height);
        depth = std::max(depth, child->depth);
        if (frameTime == 0)
            frameTime = child->frameTime;
        GFileClose(child);
        if (frames > 16777215)
            break;
    }
    if (frames == 0) {
        Progress(g, 2, "No files in the list file.");
        return false;
    }
    walker->Rewind();
    p->source = std::make_unique<ListSource>(std::move(walker));
    p->sourceFrames = static_cast<uint32_t>(frames);
    g->totalSize = total > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(total);
    g->sourceWidth = w;
    g->sourceHeight = h;
    g->depth = depth;
    g->frameTime = frameTime;
    g->kind = GFILE_LIST;
    return true;
}

} // namespace vex
