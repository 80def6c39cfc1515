#pragma once
// The items of one input port as a batch keeps them until they run: the texts packed as UTF-8 into blocks
// one after another, the files of a scanned folder sharing its path, with an entry of 20 bytes each; about
// 35 bytes per file instead of the 160 a QString and its list entry take, and no allocation per item, so
// that the memory of a batch of 100,000 files hardly depends on their number.
#include <QString>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "items/item.h"

namespace VORNE::batch {

struct InputItem
{
    QString text;
    Item::Type type = Item::UndefinedType;
    bool operator==(const InputItem& other) const { return text == other.text && type == other.type; }
};

class InputList
{
public:
    void append(const QString& text, Item::Type type);
    void append(const InputItem& item) { append(item.text, item.type); }
    // A file of folder (an absolute path ending in '/'), which successive files of one folder share.
    void appendInFolder(const QString& folder, const QString& name, Item::Type type);
    void reserve(int more) { m_entries.reserve(m_entries.size() + static_cast<std::size_t>(std::max(0, more))); }

    int size() const { return static_cast<int>(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    QString text(int index) const;
    Item::Type type(int index) const { return m_entries.at(static_cast<std::size_t>(index)).type; }
    InputItem at(int index) const { return {text(index), type(index)}; }

private:
    static constexpr std::uint32_t kNoFolder = UINT32_MAX;

    struct Entry
    {
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t folder;
        Item::Type type;
    };

    void store(const QString& text, std::uint32_t folder, Item::Type type);

    // Blocks never grow past their first capacity, so appending never copies what is stored.
    std::vector<std::string> m_blocks;
    std::vector<Entry> m_entries;
    std::vector<QString> m_folders;
};

} // namespace VORNE::batch
