// Internal: the test hook of zorbscw. ZORBSCW_TEST_INPUT lists window events
// to feed at the start of numbered waits (docs/script.md), so the input
// commands run headless through the same SDL events a user would make.
#ifndef ZORB_SCRIPT_SDL_TEST_INPUT_H
#define ZORB_SCRIPT_SDL_TEST_INPUT_H

#include <cstdint>
#include <string>
#include <vector>

namespace zscript {

class TestInput {
public:
    // Parses the variable's text; an item that cannot be read ends the list
    // (reported on standard error).
    explicit TestInput(const char *spec);
    // The next wait starts: its events are pushed onto SDL's event queue.
    void WaitBegins();

private:
    struct Item {
        uint32_t wait;
        std::string event;
    };
    std::vector<Item> items_;
    uint32_t waits_ = 0;
};

} // namespace zscript

#endif
