#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

// A real host's plug-in scanner (Qtractor's) describes the bundle: one line per
// plug-in, "CLAP|name|audio in:out|MIDI in:out|parameters:outputs|flags|...".
TEST (HostScan, QtractorListsTheLooperWithItsPortsParametersAndState)
{
    const std::string command = std::string ("echo 'CLAP:") + RAVELWICK_BUNDLE + "' | " + QTRACTOR_PLUGIN_SCAN + " 2>/dev/null";
    std::unique_ptr<FILE, int (*) (FILE*)> pipe (popen (command.c_str(), "r"), pclose);
    ASSERT_NE (pipe, nullptr);

    std::string output;
    char buffer[4096];
    while (std::fgets (buffer, sizeof (buffer), pipe.get()) != nullptr)
        output += buffer;

    const std::string expected = "CLAP|Ravelwick Looper|2:2|1:0|12:0|";
    const auto line = output.find (expected);
    ASSERT_NE (line, std::string::npos) << output;

    const auto flagsStart = line + expected.size();
    const auto flags = output.substr (flagsStart, output.find ('|', flagsStart) - flagsStart);
    EXPECT_NE (("," + flags + ",").find (",EXT,"), std::string::npos) << "the state extension is seen: " << flags;
}
