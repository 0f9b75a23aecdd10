// vexsiw runs headless (offscreen video, dummy sound), prints every section
// and sends the same text to the front end.
#include <gtest/gtest.h>

#include "tests/sndtools/tool_run.h"
#include "tests/support/link_server.h"

using namespace sndtest;

TEST(Vexsiw, RunsHeadlessAndReportsToTheFrontEnd)
{
    zorb::test::LinkServer frontEnd;
    const Result r = RunTool("vexsiw", "/#" + std::to_string(frontEnd.frontEnd()));
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char *text : {"Processor\n", "wide loops:", "Memory\n", "installed:", "Displays\n", "driver in use:",
                             "Sound\n", "Image formats\n", "BMP:", "Zorblax toolkit\n", "version:", "settings:"})
        EXPECT_NE(r.output.find(text), std::string::npos) << text << " missing in:\n" << r.output;
    ASSERT_TRUE(frontEnd.waitForMessages(3, 2000));
    bool report = false;
    for (const auto &m : frontEnd.messages())
        if (m.code == 4660) {
            report = true;
            EXPECT_EQ(m.text().rfind("VexSIW - system information\r\n", 0), 0u) << m.text();
            EXPECT_NE(m.text().find("Image formats\r\n"), std::string::npos);
        }
    EXPECT_TRUE(report);

    EXPECT_EQ(RunTool("vexsiw", "/Q").status, 2);
    const Result version = RunTool("vexsiw", "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("vexsiw (Zorblax toolkit) ", 0), 0u) << version.output;
}
