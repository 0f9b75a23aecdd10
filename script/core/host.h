// Internal: what the interpreter asks of the world around it (window, sound,
// message boxes). The interpreter core knows only this interface; the
// program's SDL layer implements it, tests and the fuzzer use the quiet base.
#ifndef ZORB_SCRIPT_CORE_HOST_H
#define ZORB_SCRIPT_CORE_HOST_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace zscript {

// The 8-bit display surface of the script's window.
struct ScreenSurface {
    uint8_t *pixels = nullptr;
    int32_t pitch = 0;
    int32_t width = 0, height = 0;
    bool bottomUp = false; // rows stored from the bottom
    int32_t rectMode = 0;  // how changed areas are walked; 2: the surface is the screen itself
    uint8_t *Row(int32_t y) const { return pixels + static_cast<ptrdiff_t>(bottomUp ? height - 1 - y : y) * pitch; }
};

class Host {
public:
    virtual ~Host() = default;
    // Window messages and the sound output's service call.
    virtual void Pump() {}
    // A message box: caption and text (lines end with "\n").
    virtual void Message(const std::string &caption, const std::string &text)
    {
        (void)caption;
        (void)text;
    }
    // Waits ms milliseconds, pumping.
    virtual void Wait(uint32_t ms) { (void)ms; }
    // A square-wave tone; waits for its duration.
    virtual void Tone(int32_t frequency, int32_t ms)
    {
        (void)frequency;
        Wait(ms > 0 ? static_cast<uint32_t>(ms) : 0);
    }
    // The wave-file command subset; the answer text ("Error: ..." on failure).
    virtual std::string Mci(const std::string &command)
    {
        (void)command;
        return "Error: no sound device.";
    }
    virtual bool HasWindow() { return false; }
    // Opens the window and its display for width x height at x, y (-1:
    // default) with the display flags; false when the display layer fails.
    virtual bool OpenScreen(int32_t width, int32_t height, int32_t x, int32_t y, uint32_t flags,
                            const std::string &title, ScreenSurface &surface)
    {
        (void)width, (void)height, (void)x, (void)y, (void)flags, (void)title, (void)surface;
        return false;
    }
    // Hands a changed rectangle of the surface to the window; it is shown at
    // the next Pump or ShowChanges.
    virtual void ShowRect(int32_t x, int32_t y, int32_t width, int32_t height)
    {
        (void)x, (void)y, (void)width, (void)height;
    }
    // Shows the changes handed over so far; frameEnds: the script starts
    // waiting, which ends a frame (ZORB_CAPTURE writes the screen out).
    virtual void ShowChanges(bool frameEnds) { (void)frameEnds; }
    virtual void SetPalette(const uint8_t *rgb768) { (void)rgb768; }
    virtual void ClearScreen(uint8_t colour) { (void)colour; }
    virtual std::string DescribeScreen() { return {}; }
    virtual void SetTitle(const std::string &title) { (void)title; }
    virtual void MoveWindow(int32_t x, int32_t y) { (void)x, (void)y; }
    virtual uint32_t WindowId() { return 0; }
    virtual bool WindowHasFocus() { return true; }
    virtual void CloseWindow() {}
    virtual uint32_t ScreenColours() { return 1u << 24; }
    virtual int SetResolution(int32_t mode)
    {
        (void)mode;
        return 0;
    }
    virtual void UseDirectSound() {}
    // Input. The display layer queues key codes and counts button releases;
    // the pointer is the system pointer's position on the surface.
    virtual int32_t TakeKey() { return -1; } // the oldest queued key code, -1 when none (never waits)
    virtual uint32_t ButtonReleases(bool right)
    {
        (void)right;
        return 0;
    }
    virtual bool PointerAt(int32_t &x, int32_t &y)
    {
        x = y = -1;
        return false;
    }
    virtual void MovePointer(int32_t x, int32_t y) { (void)x, (void)y; }
    virtual bool MousePresent() { return false; }
    // Sleeps until a window event is pending or ms milliseconds have passed.
    virtual void Idle(uint32_t ms) { Wait(ms); }
    // A wait for input or time begins (the test hook feeds its events here).
    virtual void WaitBegins() {}
    // A message box with buttons: style bit 1 (2) adds Cancel, bits 2-3 (0xC)
    // ask Yes/No. The answer: OK 1, Yes 4, No 8, anything else 2.
    virtual int Ask(const std::string &caption, const std::string &text, int32_t style)
    {
        (void)style;
        Message(caption, text);
        return 2;
    }
    // Stops sound and releases what the host holds (end of a run).
    virtual void Shutdown() {}
};

} // namespace zscript

#endif
