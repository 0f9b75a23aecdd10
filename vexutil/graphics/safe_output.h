// Outputs that appear only when complete: written under a temporary name
// beside the target and renamed over it at the end. Internal to vexutil.
#ifndef VEXUTIL_GRAPHICS_SAFE_OUTPUT_H
#define VEXUTIL_GRAPHICS_SAFE_OUTPUT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace vex {

class SafeOutput {
public:
    SafeOutput() = default;
    SafeOutput(const SafeOutput &) = delete;
    SafeOutput &operator=(const SafeOutput &) = delete;
    ~SafeOutput() { Discard(); }
    // Reserves a temporary file beside target; false with a reason.
    bool Begin(const std::string &target, std::string *error);
    const std::string &TempPath() const { return temp_; }
    // Renames the temporary file over the target; false with a reason (the
    // temporary file is removed then).
    bool Commit(std::string *error);
    void Discard();

private:
    std::string target_, temp_;
};

// Writes a whole file safely.
bool WriteFileSafely(const std::string &target, const void *data, size_t size, std::string *error);

}  // namespace vex

#endif
