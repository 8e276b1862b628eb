#pragma once

#include <QDialog>

namespace vistrel {

// "バージョン情報": the version, the Qt version and the licence.
class TfrmAbout : public QDialog {
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    static QString aboutText();
};

} // namespace vistrel
