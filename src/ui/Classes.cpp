#include "ui/Classes.h"

#include <algorithm>

namespace ui {

namespace {

unsigned char Fold(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

} // namespace

int CompareText(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = Fold(a[i]);
        const unsigned char y = Fold(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

// ---- TStrings ------------------------------------------------------------------------------

int TStrings::Add(const std::string& s) {
    const int index = Count();
    Insert(index, s);
    return index;
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    Replace(lines);
}

int TStrings::IndexOf(std::string_view s) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(Get(i), s))
            return i;
    return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& line = Get(i);
        const auto eq = line.find('=');
        if (eq != std::string::npos && SameText(std::string_view(line).substr(0, eq), name))
            return i;
    }
    return -1;
}

std::string TStrings::Values(std::string_view name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

std::string TStrings::Names(int index) const {
    const std::string& line = Get(index);
    const auto eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
    const std::string& line = Get(index);
    const auto eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void TStrings::Assign(const TStrings& source) {
    if (&source == this)
        return;
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(source.Count()));
    for (int i = 0; i < source.Count(); ++i)
        lines.push_back(source.Get(i));
    Replace(lines);
}

void TStrings::Replace(const std::vector<std::string>& lines) {
    // One notification for the whole rebuild, not one per line; restored even on a throw.
    struct Silence {
        TStringsChangeEvent& event;
        TStringsChangeEvent saved;
        explicit Silence(TStringsChangeEvent& e) : event(e), saved(std::move(e)) {
            event = nullptr;
        }
        ~Silence() { event = std::move(saved); }
    };
    {
        Silence silence(OnChange);
        Clear();
        for (const auto& line : lines)
            Add(line);
    }
    Changed(TListChange::Reset, -1);
}

void TStrings::AddStrings(const TStrings& source) {
    std::vector<std::string> lines; // copied first: the source may be this list
    lines.reserve(static_cast<std::size_t>(source.Count()));
    for (int i = 0; i < source.Count(); ++i)
        lines.push_back(source.Get(i));
    for (auto& line : lines)
        Add(line);
}

void TStrings::Changed(TListChange change, int index) {
    if (updateCount_ > 0) {
        changedWhileUpdating_ = true;
        return;
    }
    if (OnChange)
        OnChange(*this, change, index);
}

void TStrings::EndUpdate() {
    if (updateCount_ == 0 || --updateCount_ > 0 || !changedWhileUpdating_)
        return;
    changedWhileUpdating_ = false;
    Changed(TListChange::Reset, -1);
}

void TStrings::IndexError(int index) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

// ---- TStringList ---------------------------------------------------------------------------

TStringList::TStringList(std::initializer_list<std::string> lines) {
    for (const auto& line : lines)
        Add(line);
}

const std::string& TStringList::Get(int index) const {
    if (index < 0 || index >= Count())
        IndexError(index);
    return lines_[static_cast<std::size_t>(index)];
}

void TStringList::Put(int index, const std::string& s) {
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted list");
    if (index < 0 || index >= Count())
        IndexError(index);
    lines_[static_cast<std::size_t>(index)] = s;
    Changed(TListChange::Put, index);
}

void TStringList::Insert(int index, const std::string& s) {
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count())
        IndexError(index);
    lines_.insert(lines_.begin() + index, s);
    Changed(TListChange::Inserted, index);
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count())
        IndexError(index);
    lines_.erase(lines_.begin() + index);
    Changed(TListChange::Deleted, index);
}

void TStringList::Clear() {
    if (lines_.empty())
        return;
    lines_.clear();
    Changed(TListChange::Reset, -1);
}

int TStringList::Add(const std::string& s) {
    if (!sorted_)
        return TStrings::Add(s);
    const auto place = std::upper_bound(
        lines_.begin(), lines_.end(), s,
        [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    const int index = static_cast<int>(place - lines_.begin());
    lines_.insert(place, s);
    Changed(TListChange::Inserted, index);
    return index;
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_)
        return;
    sorted_ = sorted;
    if (sorted_)
        Sort();
}

void TStringList::Sort() {
    std::stable_sort(lines_.begin(), lines_.end(), [](const std::string& a, const std::string& b) {
        return CompareText(a, b) < 0;
    });
    Changed(TListChange::Reset, -1);
}

} // namespace ui
