
#include "graphfixtures.h"

using namespace KORA;
namespace fs = std::filesystem;

namespace {

std::string ErrorOf(const char* path)
{
    return testsupport::ErrorOf([&] { delete GetPluginObject("x", path, nullptr); }, true);
}

std::unique_ptr<CPNode> MakeNode(const std::string& entry, const CValueMap* init = nullptr)
{
    IPluginObject* object = GetPluginObject("n1", graphtest::TestingPlugin(entry).c_str(), init);
    auto* node = dynamic_cast<CPNode*>(object);
    EXPECT_NE(node, nullptr);
    return std::unique_ptr<CPNode>(node);
}

// A copy of the testing plug-in in a fresh folder outside the installation.
fs::path CopyOutside()
{
    const fs::path folder = fs::temp_directory_path() / ("kora_plugins_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::copy_file(fs::path(std::getenv("KORADIR")) / "bin" / "libtesting.so", folder / "libtesting.so",
                  fs::copy_options::overwrite_existing);
    return folder;
}

} // namespace

TEST(PluginLoader, CreatesNamedNodesAndInitialisesThem)
{
    CValueMap init;
    init.SetEntry("ms", new CValueLong(7));
    init.SetEntry("extra", new CValueString("kept"));
    const auto node = MakeNode("Delay", &init);
    EXPECT_EQ(node->Parameters().EntryLong("ms"), 7);
    EXPECT_EQ(node->Parameters().EntryString("extra"), "kept");

    // What a host set before Init survives it (a viewer's window is given that way); missing defaults
    // come back; the map given to Init wins.
    node->Parameters().RemoveEntry("ms");
    node->Parameters().SetEntry("QWidgetPointer", new CValuePointer<int>(nullptr));
    CValueMap again;
    again.SetEntry("extra", new CValueString("replaced"));
    node->Init(&again);
    EXPECT_EQ(node->Parameters().EntryLong("ms"), 100);
    EXPECT_TRUE(node->Parameters().HasEntry("QWidgetPointer", GT_POINTER));
    EXPECT_EQ(node->Parameters().EntryString("extra"), "replaced");
    EXPECT_EQ(std::unique_ptr<CValueVector>(ListPluginEntries("%KORADIR%/bin/testing"))->Size(), 3u);
}

TEST(PluginLoader, RefusesWithTheReason)
{
    struct Case
    {
        const char* path;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"%KORADIR%/bin/nosuchlib::Echo", {"nosuchlib", "not found"}},
        {"%KORADIR%/bin/testing::Nope", {"'Nope'", "libtesting.so", "Echo"}},
        {"%KORADIR%/bin/testing", {"no entry"}},
        {"", {"empty plug-in path"}},
        {"%KORADIR%/bin/tovil::Echo", {"libtovil.so", "not a plug-in library"}},
    };
    for (const Case& c : cases)
        testsupport::ExpectWords(ErrorOf(c.path), c.expected, c.path);
}

TEST(PluginLoader, ConfinesLibrariesToThePluginFolders)
{
    const fs::path folder = CopyOutside();
    const std::string path = (folder / "testing::Echo").string();
    unsetenv("KORA_PLUGIN_PATH");
    testsupport::ExpectWords(ErrorOf(path.c_str()), {"outside", folder.string()}, path);

    // A symbolic link inside an allowed folder does not smuggle the outside library in.
    const fs::path link = fs::path(std::getenv("KORADIR")) / "bin" / "liblinkedtesting.so";
    fs::remove(link);
    fs::create_symlink(folder / "libtesting.so", link);
    EXPECT_NE(ErrorOf("%KORADIR%/bin/linkedtesting::Echo").find("outside"), std::string::npos);
    fs::remove(link);

    setenv("KORA_PLUGIN_PATH", ("/nonexistent:" + folder.string()).c_str(), 1);
    std::unique_ptr<IPluginObject> allowed(GetPluginObject("e", path.c_str(), nullptr));
    EXPECT_NE(dynamic_cast<CPNode*>(allowed.get()), nullptr);
    unsetenv("KORA_PLUGIN_PATH");
    allowed.reset();
    fs::remove_all(folder);
}

TEST(Node, ExecuteReplacesOutputsAndNamesMissingInputs)
{
    auto node = MakeNode("Echo");
    node->Init(nullptr);
    testsupport::ExpectWords(testsupport::ErrorOf([&] { node->Execute(); }, true), {"'n1'", "input 0 'in'"}, "Echo");

    CValueVector inputs;
    inputs.SetEntry(0, new CValueLong(3));
    node->SetInputVector(&inputs);
    node->Execute();
    node->Execute();
    ASSERT_EQ(node->Outputs().Size(), 1u);
    EXPECT_EQ(node->Outputs().EntryLong(0), 3);
    node->SetInputVector(nullptr);
    EXPECT_EQ(inputs.Size(), 1u);
}
