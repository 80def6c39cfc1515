#pragma once
// Helpers shared by the base tests: a scratch folder, catching a CException's text, word checks. Also
// the one place for the headers every test needs.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "kora/kora.h"
#include "kora/opencv.h"

namespace testsupport {

// The text of the CException run() throws (FormattedWhat when formatted), "" when it throws none.
template <class F>
std::string ErrorOf(F run, bool formatted = false)
{
    try {
        run();
    } catch (const KORA::CException& error) {
        return formatted ? error.FormattedWhat() : error.what();
    }
    return "";
}

// A value written as text, where building it in code is not what the test is about.
inline std::unique_ptr<KORA::CValue> Parse(const std::string& text)
{
    return std::unique_ptr<KORA::CValue>(KORA::CTextSerializer().Deserialize(text));
}

inline void ExpectWords(const std::string& message, const std::vector<std::string>& words, const std::string& what = "")
{
    EXPECT_FALSE(message.empty()) << what << ": no error";
    for (const std::string& word : words)
        EXPECT_NE(message.find(word), std::string::npos) << what << ": '" << word << "' missing in: " << message;
}

inline void WriteGzip(const std::string& path, const std::string& bytes)
{
    gzFile file = gzopen(path.c_str(), "wb");
    gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(file);
}

// A fresh folder per test, removed afterwards.
class TempDir : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "basetest-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::string WriteBytes(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
    std::filesystem::path m_dir;
};

} // namespace testsupport
