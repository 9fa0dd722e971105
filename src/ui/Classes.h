// Lists of text lines, the keyboard/mouse shift state and the errors of the component model.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// Case-insensitive comparison of 8-bit text; letters A-Z fold to a-z, other bytes compare by
// value. Negative, zero or positive like strcmp.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Keys and buttons held during a mouse or keyboard event.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;

// An index outside a list.
class EListError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

// A list of lines used wrongly: index out of range, insertion by position into a sorted list.
class EStringListError : public EListError {
public:
    using EListError::EListError;
};

// A component named wrongly (invalid or duplicate name).
class EComponentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An operation the component cannot do in its present state (focusing a hidden control).
class EInvalidOperation : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// The system refused a resource (a timer, a window).
class EOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What changed in a list, so a list box can keep its selection on the same entry.
enum class TListChange {
    Inserted, // Index: the new line's position
    Deleted,  // Index: where the line was
    Put,      // Index: the line replaced in place
    Reset     // the whole list was rebuilt (cleared, assigned, sorted); Index -1
};
class TStrings;
using TStringsChangeEvent = std::function<void(TStrings& sender, TListChange change, int index)>;

// An ordered list of text lines. Lines are compared without regard to letter case.
class TStrings {
public:
    TStrings() = default;
    virtual ~TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;

    virtual int Count() const = 0;
    virtual const std::string& Get(int index) const = 0;
    virtual void Put(int index, const std::string& s) = 0;
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    // Appends a line (a sorted list puts it in its place); returns its index.
    virtual int Add(const std::string& s);

    const std::string& operator[](int index) const { return Get(index); }
    const std::string& Strings(int index) const { return Get(index); }
    bool Empty() const { return Count() == 0; }

    // Every line followed by CR LF.
    std::string Text() const;
    // Splits at CR LF, LF or CR; a final line break does not start another line.
    void SetText(std::string_view text);
    // The first line equal to s, letter case ignored; -1 when none is.
    int IndexOf(std::string_view s) const;
    // Lines of the form name=value: the first line whose name equals the given one (case
    // ignored), its value, and the parts of a given line.
    int IndexOfName(std::string_view name) const;
    std::string Values(std::string_view name) const;
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;

    void Assign(const TStrings& source);
    void AddStrings(const TStrings& source);

    // Between BeginUpdate and its EndUpdate changes are not announced one by one; the last
    // EndUpdate announces them as one Reset, if there were any.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    // Raised after every change; lets a control follow its list.
    TStringsChangeEvent OnChange;

protected:
    void Changed(TListChange change, int index);
    // Clears the list and adds the lines, announcing one Reset.
    void Replace(const std::vector<std::string>& lines);
    [[noreturn]] static void IndexError(int index);

private:
    int updateCount_ = 0;
    bool changedWhileUpdating_ = false;
};

// A list of lines held in memory. When Sorted, every line added goes to its place in
// case-insensitive order, after the lines that compare equal to it.
class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines);

    int Count() const override { return static_cast<int>(lines_.size()); }
    const std::string& Get(int index) const override;
    void Put(int index, const std::string& s) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const std::string& s) override;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    void Sort();

    std::vector<std::string>::const_iterator begin() const { return lines_.begin(); }
    std::vector<std::string>::const_iterator end() const { return lines_.end(); }

private:
    std::vector<std::string> lines_;
    bool sorted_ = false;
};

} // namespace ui
