// The file-open dialog of the shell on Qt's file dialog.
#include "os/linux/LinuxShell.h"

#include <QFileDialog>
#include <QStringList>

namespace os {

namespace {

QString ToQ(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// "Shown|*.a;*.b|Other|*.c" as the toolkit's filters, "Shown (*.a *.b)"; the toolkit keeps the
// patterns out of sight, so each choice shows its own name only.
QStringList NameFilters(const std::string& filter) {
    QStringList parts = ToQ(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns =
            parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
    return filters;
}

} // namespace

bool LinuxShell::GetOpenFileName(OpenFileName& request) {
    QFileDialog dialog(nullptr, ToQ(request.Title));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = NameFilters(request.Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = request.FilterIndex >= 1 && request.FilterIndex <= filters.size()
                        ? request.FilterIndex - 1
                        : 0;
        dialog.selectNameFilter(filters[index]);
    }
    if (!request.InitialDir.empty())
        dialog.setDirectory(ToQ(request.InitialDir));
    if (!request.FileName.empty())
        dialog.selectFile(ToQ(request.FileName));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    QByteArray chosen = dialog.selectedFiles().first().toUtf8();
    request.FileName.assign(chosen.constData(), static_cast<std::size_t>(chosen.size()));
    const qsizetype filterIndex = filters.indexOf(dialog.selectedNameFilter());
    if (filterIndex >= 0)
        request.FilterIndex = static_cast<int>(filterIndex) + 1;
    return true;
}

} // namespace os
