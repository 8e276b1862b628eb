#pragma once

#include "edit/ImageArea.h"
#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "edit/modes/EditModes.h"
#include "edit/modes/EditSurface.h"
#include "platform/MessageBox.h"
#include "settings/Settings.h"

#include <QStringList>
#include <QTemporaryDir>

namespace vistrel::test {

// An edit host for tests that never ask for the trimming wizard or an action.
class NoWizard : public EditModesHost {
public:
    void setToggle(const QString&, bool) override {}
    void PerformAfterAction(int) override {}
    TrimChoice ExecuteTrim(const TrimRequest&, TrimWizardSettings&) override { return {}; }
};

// The picture, its view and the edit modes wired as the main window wires them, with the
// program's messages collected instead of shown.
template <class Host>
struct EditRig {
    EditRig()
    {
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
    }
    ~EditRig() { MessageBox::setHandler({}); }
    EditRig(const EditRig&) = delete;
    EditRig& operator=(const EditRig&) = delete;

    QTemporaryDir folder;
    TempPictures temp{[this] { return folder.path(); }};
    ImageDocument document{temp, [] { return 10; }};
    StatusPanels status;
    Settings settings{};
    ImageArea area{document};
    EditSurface surface{area.ScrBoxMain(), area.imaBitmap()};
    Host host;
    EditModes modes{document, status, settings, surface, host};
    QStringList messages;
};

} // namespace vistrel::test
