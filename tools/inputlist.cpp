#include "tools/inputlist.h"


namespace VORNE::batch {

namespace {

constexpr std::size_t kBlock = 64 * 1024;

} // namespace

void InputList::append(const QString& text, Item::Type type)
{
    store(text, kNoFolder, type);
}

void InputList::appendInFolder(const QString& folder, const QString& name, Item::Type type)
{
    if (m_folders.empty() || m_folders.back() != folder)
        m_folders.push_back(folder);
    store(name, static_cast<std::uint32_t>(m_folders.size() - 1), type);
}

void InputList::store(const QString& text, std::uint32_t folder, Item::Type type)
{
    const QByteArray utf8 = text.toUtf8();
    const auto length = static_cast<std::size_t>(utf8.size());
    if (m_blocks.empty() || m_blocks.back().size() + length > m_blocks.back().capacity()) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(std::max(kBlock, length));
    }
    std::string& block = m_blocks.back();
    m_entries.push_back({static_cast<std::uint32_t>(m_blocks.size() - 1), static_cast<std::uint32_t>(block.size()),
                         static_cast<std::uint32_t>(length), folder, type});
    block.append(utf8.constData(), length);
}

QString InputList::text(int index) const
{
    const Entry& entry = m_entries.at(static_cast<std::size_t>(index));
    const QString text = QString::fromUtf8(m_blocks[entry.block].data() + entry.offset, static_cast<int>(entry.length));
    return entry.folder == kNoFolder ? text : m_folders[entry.folder] + text;
}

} // namespace VORNE::batch
