#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

// The bundle is a shared library that shows hosts nothing but its entry.
TEST (BundleFile, ExportsOnlyClapEntry)
{
    const std::string command = std::string ("nm -D --defined-only '") + RAVELWICK_BUNDLE + "'";
    std::unique_ptr<FILE, int (*) (FILE*)> pipe (popen (command.c_str(), "r"), pclose);
    ASSERT_NE (pipe, nullptr);

    std::string symbols;
    char line[4096];
    while (std::fgets (line, sizeof (line), pipe.get()) != nullptr)
    {
        std::string text (line);
        symbols += text.substr (text.rfind (' ') + 1);
    }

    EXPECT_EQ (symbols, "clap_entry\n");

    const std::string path (RAVELWICK_BUNDLE);
    EXPECT_EQ (path.substr (path.rfind ('/') + 1), "RavelwickLooper.clap");
}
