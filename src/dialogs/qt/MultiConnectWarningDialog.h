#pragma once

#include <cstdint>

#include <QDialog>

class QCheckBox;
class QLabel;

// Asked before more sessions than the threshold open at once. Continue
// with the box checked stops the warning for good.
class MultiConnectWarningDialog final : public QDialog {
    Q_OBJECT
public:
    // `suppress` is the option the check box writes when Continue closes it.
    MultiConnectWarningDialog(bool& suppress, uint32_t threshold, QWidget* parent = nullptr);
    QCheckBox* SuppressBox() const { return m_check; }
    QLabel* Text() const { return m_text; }

    void done(int result) override;

private:
    bool& m_suppress;
    QLabel* m_text;
    QCheckBox* m_check;
};
