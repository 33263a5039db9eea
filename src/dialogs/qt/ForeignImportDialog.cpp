#include "dialogs/qt/ForeignImportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include "sessiontree/ISessionDatabaseChanged.h"

namespace {

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

ForeignImportDialog::ForeignImportDialog(const VUnicodeString& targetFolder, QWidget* parent)
    : QDialog(parent), ForeignImportDialogBase(targetFolder)
{
    setWindowTitle(tr("Import from Another Program"));
    setObjectName(QStringLiteral("foreignImportDialog"));

    m_program = new QComboBox(this);
    m_program->setObjectName(QStringLiteral("program"));
    for (const ForeignProgramInfo& info : ForeignPrograms())
        m_program->addItem(QString::fromStdU16String(info.title), QString::fromLatin1(info.name));
    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("path"));
    auto* browse = new QPushButton(tr("&Browse..."), this);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browse);
    m_passwords = new QCheckBox(tr("Import &passwords"), this);
    m_master = new QLineEdit(this);
    m_master->setObjectName(QStringLiteral("masterPassword"));
    m_master->setEchoMode(QLineEdit::Password);
    m_master->setPlaceholderText(tr("the built-in key when empty"));
    m_conflict = new QComboBox(this);
    m_conflict->setObjectName(QStringLiteral("conflict"));
    m_conflict->addItems({tr("Skip it"), tr("Add it as \"name (n)\""), tr("Replace it")});

    auto* form = new QFormLayout;
    form->addRow(tr("P&rogram:"), m_program);
    auto* pathLabel = new QLabel(tr("&File:"), this);
    pathLabel->setBuddy(m_path);
    form->addRow(pathLabel, pathRow);
    form->addRow(QString(), m_passwords);
    form->addRow(tr("&Master password:"), m_master);
    form->addRow(tr("When a session &exists:"), m_conflict);

    m_preview = new QPushButton(tr("Pre&view"), this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_items = new QListWidget(this);
    m_items->setObjectName(QStringLiteral("items"));
    m_notes = new QListWidget(this);
    m_notes->setObjectName(QStringLiteral("notes"));
    m_notes->setMaximumHeight(110);
    m_notes->setWordWrap(true);
    m_notes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_import = m_buttons->addButton(tr("&Import"), QDialogButtonBox::AcceptRole);
    m_import->setObjectName(QStringLiteral("import"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_preview, 0, Qt::AlignLeft);
    layout->addWidget(new QLabel(tr("What the import will do:"), this));
    layout->addWidget(m_items, 1);
    layout->addWidget(new QLabel(tr("Not carried over:"), this));
    layout->addWidget(m_notes);
    layout->addWidget(m_status);
    layout->addWidget(m_buttons);

    // Long imports show how far they are; the work itself runs on this
    // thread, in one transaction, so it cannot be stopped half-way.
    onProgress = [this](size_t done, size_t total) {
        if (total < kLongImport)
            return;
        if (!m_progress) {
            m_progress = new QProgressDialog(tr("Importing sessions..."), QString(), 0, 1, this);
            m_progress->setWindowModality(Qt::WindowModal);
            m_progress->setMinimumDuration(0);
        }
        // It closes itself at the maximum.
        m_progress->setMaximum(static_cast<int>(total));
        m_progress->setValue(static_cast<int>(done));
    };
    connect(m_program, &QComboBox::currentIndexChanged, this, &ForeignImportDialog::ProgramChanged);
    connect(m_path, &QLineEdit::textChanged, this, &ForeignImportDialog::ChoicesChanged);
    connect(m_passwords, &QCheckBox::toggled, this, &ForeignImportDialog::ChoicesChanged);
    connect(m_master, &QLineEdit::textChanged, this, &ForeignImportDialog::ChoicesChanged);
    connect(m_conflict, &QComboBox::currentIndexChanged, this, &ForeignImportDialog::ChoicesChanged);
    connect(browse, &QPushButton::clicked, this, &ForeignImportDialog::Browse);
    connect(m_preview, &QPushButton::clicked, this, &ForeignImportDialog::RunPreview);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &ForeignImportDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &ForeignImportDialog::reject);
    ProgramChanged();
    resize(620, 520);
}

void ForeignImportDialog::ProgramChanged()
{
    program = ForeignPrograms()[static_cast<size_t>(std::max(0, m_program->currentIndex()))].program;
    const QString usual = FromUtf8(DefaultPath());
    m_path->setText(!usual.isEmpty() && QFile::exists(usual) ? usual : QString());
    m_master->setEnabled(program == ForeignProgram::MRemoteNg);
    m_path->setPlaceholderText(QString::fromLatin1(ForeignProgramOf(program).whatToGive));
    ChoicesChanged();
}

void ForeignImportDialog::ChoicesChanged()
{
    // A preview stands for exactly what was chosen when it ran.
    m_items->clear();
    m_notes->clear();
    m_status->clear();
    m_import->setEnabled(false);
    m_preview->setEnabled(!m_path->text().trimmed().isEmpty());
}

void ForeignImportDialog::Choose(const QString& programName, const QString& file)
{
    const int index = m_program->findData(programName);
    if (index >= 0)
        m_program->setCurrentIndex(index);
    if (!file.isEmpty())
        m_path->setText(file);
}

void ForeignImportDialog::Browse()
{
    const bool folder = program == ForeignProgram::Remmina;
    QFileDialog dialog(this, tr("Choose the File to Import"),
                       m_path->text().isEmpty() ? QDir::homePath() : QFileInfo(m_path->text()).absolutePath());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(folder ? QFileDialog::Directory : QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_path->setText(dialog.selectedFiles().front());
}

void ForeignImportDialog::TakeChoices()
{
    path = QFile::encodeName(m_path->text().trimmed()).toStdString();
    withPasswords = m_passwords->isChecked();
    masterPassword.reset();
    if (m_master->isEnabled() && !m_master->text().isEmpty())
        masterPassword = m_master->text().toStdU16String();
    conflict = static_cast<ImportConflict>(m_conflict->currentIndex());
}

void ForeignImportDialog::Show(const Outcome& outcome)
{
    m_items->clear();
    m_notes->clear();
    for (const SessionImportItem& item : outcome.items)
        m_items->addItem(QString::fromStdU16String(Describe(item)));
    for (const std::string& note : outcome.notes)
        m_notes->addItem(FromUtf8(note));
}

void ForeignImportDialog::RunPreview()
{
    TakeChoices();
    const Outcome outcome = Preview();
    Show(outcome);
    if (outcome.Failed()) {
        m_status->setText(tr("The file cannot be imported: %1").arg(FromUtf8(outcome.error)));
        m_import->setEnabled(false);
        return;
    }
    size_t writes = 0;
    for (const SessionImportItem& item : outcome.items)
        writes += item.outcome != SessionImportItem::Outcome::Skipped;
    m_status->setText(outcome.items.empty() ? tr("The file holds no sessions.")
                                            : tr("%1 of %2 session(s) will be written.")
                                                  .arg(static_cast<qulonglong>(writes))
                                                  .arg(static_cast<qulonglong>(outcome.items.size())));
    m_import->setEnabled(writes > 0);
}

void ForeignImportDialog::accept()
{
    if (!m_import->isEnabled())
        return;
    TakeChoices();
    const Outcome outcome = Import();
    if (outcome.Failed()) {
        Show(outcome);
        m_status->setText(tr("The file cannot be imported: %1").arg(FromUtf8(outcome.error)));
        m_import->setEnabled(false);
        return;
    }
    QDialog::accept();
}

int RunForeignImportDialog(const VUnicodeString& targetFolder, const QString& programName, const QString& file,
                           QWidget* parent)
{
    ForeignImportDialog dialog(targetFolder, parent);
    if (!programName.isEmpty())
        dialog.Choose(programName, file);
    if (!programName.isEmpty() && !file.isEmpty())
        dialog.RunPreview();
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    if (auto* sink = dynamic_cast<ISessionDatabaseChanged*>(parent))
        sink->OnSessionDatabaseChanged(1, 0);
    return 1;
}
