// vexsiw's logic: gathers what a user of the toolkit needs to know about the
// machine (processor, memory, displays, sound, image formats) and about the
// toolkit itself, as titled sections of named values.
#ifndef ZORB_TOOLS_VEXSIW_SYSTEM_INFO_H
#define ZORB_TOOLS_VEXSIW_SYSTEM_INFO_H

#include <string>
#include <utility>
#include <vector>

namespace tool::vexsiw {

struct Section {
    std::string title;
    std::vector<std::pair<std::string, std::string>> items; // name, value ("" name: a continuation line)
};

Section ProcessorSection();
Section MemorySection();
Section DisplaySection(); // SDL video; never needs a screen to succeed
Section SoundSection();   // SDL audio
Section ImageSection();   // GraphicsMagick's formats
Section ToolkitSection(); // version, programs, settings, debug log

std::vector<Section> Gather();
// The sections as text, lines ending in newline.
std::string Format(const std::vector<Section> &sections, const std::string &newline);

} // namespace tool::vexsiw

#endif
