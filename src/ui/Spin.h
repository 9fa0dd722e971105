// A whole-number field with up and down buttons.
#pragma once

#include "ui/StdCtrls.h"

namespace ui {

// The field holds text as typed; its value is the whole number in that text. A value set by
// the program or by the buttons is kept within MinValue..MaxValue, and when the focus leaves,
// an out-of-range number is replaced by the nearer bound. Equal bounds mean no range at all.
class TSpinEdit : public TCustomEdit {
public:
    explicit TSpinEdit(TComponent* owner);

    int MinValue() const { return minValue_; }
    void SetMinValue(int value);
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int increment) { increment_ = increment; }

    // The number in the text (blanks around it allowed); text that is not a whole number
    // reads as MinValue.
    int Value() const;
    void SetValue(int value);

    // The up and down buttons (and arrow keys): one increment, within the range; nothing
    // when read-only.
    void StepUp();
    void StepDown();

protected:
    void DoExit() override;

private:
    int CheckValue(long long value) const;

    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
};

} // namespace ui
