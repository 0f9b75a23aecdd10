// Blocks of bytes kept in an unnamed temporary file: the pictures waiting to
// be coded and the symbols of the frames coded so far, so that long inputs do
// not have to fit in memory. The file lives in $TMPDIR (else /tmp) and has no
// name: it disappears with its descriptor, whatever way the process ends.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "encoder/encoder_internal.h"

namespace zenc {

namespace {

// An unnamed file in $TMPDIR (else /tmp): created, then unlinked at once.
std::FILE *OpenScratch()
{
    const char *dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/zorb-encoder-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return std::tmpfile();
    unlink(name.data());
    std::FILE *f = fdopen(fd, "w+b");
    if (!f)
        close(fd);
    return f;
}

} // namespace

BlobStore::BlobStore() : file_(OpenScratch())
{
    offsets_.push_back(0);
}

BlobStore::~BlobStore()
{
    if (file_)
        std::fclose(file_);
}

void BlobStore::Clear()
{
    offsets_.assign(1, 0);
    if (file_ && ftruncate(fileno(file_), 0) != 0)
        failed_ = true;
}

bool BlobStore::Append(const void *data, size_t size)
{
    if (!file_ || failed_)
        return false;
    const int fd = fileno(file_);
    const uint8_t *p = static_cast<const uint8_t *>(data);
    uint64_t at = offsets_.back();
    size_t left = size;
    while (left > 0) {
        const ssize_t n = pwrite(fd, p, left, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        p += n;
        at += static_cast<uint64_t>(n);
        left -= static_cast<size_t>(n);
    }
    offsets_.push_back(at);
    return true;
}

bool BlobStore::Get(size_t index, void *data, size_t size) const
{
    if (!file_ || index + 1 >= offsets_.size() || offsets_[index + 1] - offsets_[index] != size)
        return false;
    const int fd = fileno(file_);
    uint8_t *p = static_cast<uint8_t *>(data);
    uint64_t at = offsets_[index];
    size_t left = size;
    while (left > 0) {
        const ssize_t n = pread(fd, p, left, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        at += static_cast<uint64_t>(n);
        left -= static_cast<size_t>(n);
    }
    return true;
}

size_t BlobStore::Size(size_t index) const
{
    return index + 1 < offsets_.size() ? static_cast<size_t>(offsets_[index + 1] - offsets_[index]) : 0;
}

bool BlobStore::PutSymbols(const std::vector<uint32_t> &symbols)
{
    return Append(symbols.data(), symbols.size() * sizeof(uint32_t));
}

bool BlobStore::GetSymbols(size_t index, std::vector<uint32_t> &symbols) const
{
    symbols.resize(Size(index) / sizeof(uint32_t));
    return Get(index, symbols.data(), symbols.size() * sizeof(uint32_t));
}

} // namespace zenc
