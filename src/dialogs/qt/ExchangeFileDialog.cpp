#include "dialogs/qt/ExchangeFileDialog.h"

#include <QDir>
#include <QFileDialog>

bool ChooseExchangeFileDialog(bool save, std::string& file, QWidget* parent)
{
    QFileDialog dialog(parent, save ? QObject::tr("Export Selected Sessions") : QObject::tr("Import Settings"),
                       QDir::homePath(), QObject::tr("XML files (*.xml);;All files (*)"));
    dialog.setObjectName(QStringLiteral("exchangeFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) {
        dialog.setDefaultSuffix(QStringLiteral("xml"));
        dialog.selectFile(QStringLiteral("sessions.xml"));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    file = QFile::encodeName(dialog.selectedFiles().front()).toStdString();
    return true;
}
