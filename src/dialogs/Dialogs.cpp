#include "dialogs/Dialogs.h"

#include "dialogs/FormAbout.h"
#include "dialogs/FormOption.h"
#include "platform/MPlayer.h"

namespace dialogs {

namespace {

// The dialogs being shown; a nested loop may ask for them while they are.
ui::TComponentRef<TOptionForm> liveOptionForm;
ui::TComponentRef<TAboutForm> liveAboutForm;

template <class TF>
void ShowForm(ui::TComponentRef<TF>& live) {
    auto form = ui::CreateForm<TF>();
    live = form.get();
    form->ShowModal();
    live = nullptr;
}

} // namespace

void ShowOptionForm() {
    ShowForm(liveOptionForm);
}

void ShowAboutForm() {
    ShowForm(liveAboutForm);
}

void BringOptionFormToFront() {
    if (TOptionForm* form = liveOptionForm.Get())
        form->BringToFront();
}

void BringAboutFormToFront() {
    if (TAboutForm* form = liveAboutForm.Get())
        form->BringToFront();
}

void CloseOptionFormPlayer() {
    if (TOptionForm* form = liveOptionForm.Get())
        form->MediaPlayer->Close();
}

} // namespace dialogs
