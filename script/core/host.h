// Internal: what the interpreter asks of the world around it (window, sound,
// message boxes). The interpreter core knows only this interface; the
// program's SDL layer implements it, tests and the fuzzer use the quiet base.
#ifndef ZSCRIPT_CORE_HOST_H
#define ZSCRIPT_CORE_HOST_H

#include <cstdint>
#include <string>

namespace zscript {

class Host {
public:
    virtual ~Host() = default;
    // Window messages and the sound output's service call.
    virtual void Pump() {}
    // A message box: caption and text (lines end with "\n").
    virtual void Message(const std::string &caption, const std::string &text) { (void)caption; (void)text; }
    // Waits ms milliseconds, pumping.
    virtual void Wait(uint32_t ms) { (void)ms; }
    // A square-wave tone; waits for its duration.
    virtual void Tone(int32_t frequency, int32_t ms) { (void)frequency; Wait(ms > 0 ? static_cast<uint32_t>(ms) : 0); }
    // The wave-file command subset; the answer text ("Error: ..." on failure).
    virtual std::string Mci(const std::string &command) { (void)command; return "Error: no sound device."; }
    virtual bool HasWindow() { return false; }
    virtual bool WindowHasFocus() { return true; }
    virtual void CloseWindow() {}
    virtual uint32_t ScreenColours() { return 1u << 24; }
    virtual int SetResolution(int32_t mode) { (void)mode; return 0; }
    virtual void UseDirectSound() {}
    // A text line at the text cursor (the screen commands draw it).
    virtual void DrawText(const std::string &text, bool newline) { (void)text; (void)newline; }
    // Stops sound and releases what the host holds (end of a run).
    virtual void Shutdown() {}
};

}  // namespace zscript

#endif
