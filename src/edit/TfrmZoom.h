#pragma once

#include "edit/ZoomCalculator.h"
#include "platform/HelpTopics.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;

namespace vistrel {

// The image-size dialog: percent, width and height, coupled so that the aspect ratio stays.
class TfrmZoom : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = helptopic::ImageSize;

    explicit TfrmZoom(QSize start, QWidget* parent = nullptr);

    // Called with the help topic when "ヘルプ(&H)" is pressed; does nothing by default.
    void setHelpHandler(std::function<void(int)> handler);
    // The size chosen by a successful "変更(&S)".
    QSize chosenSize() const { return m_chosen; }

private:
    QWidget* buildFields();
    QWidget* buildButtons();
    void applyFields(const std::optional<ZoomFields>& fields);
    void stepPercent(int delta);
    void confirm();
    ZoomFields fields() const;

    ZoomCalculator m_calculator;
    QLineEdit* m_edtParsent = nullptr;
    QLineEdit* m_edtWidth = nullptr;
    QLineEdit* m_edtHeight = nullptr;
    bool m_recalculating = false;
    int m_spinPosition = 100;
    QSize m_chosen;
    std::function<void(int)> m_help;
};

// Shows the dialog for a picture of `current` size; the new size when the user confirms.
std::optional<QSize> ExecuteZoom(QWidget* parent, QSize current,
                                 std::function<void(int)> help = {});

} // namespace vistrel
