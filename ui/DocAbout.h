// DocAbout: the About box, modal over the main window; OK or the close box ends it.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class DocAbout;
}

namespace tallowby {

class DocAbout : public QDialog {
    Q_OBJECT
public:
    explicit DocAbout(QWidget* owner);
    ~DocAbout() override;

    void CmdOK_Click();

private:
    std::unique_ptr<Ui::DocAbout> ui_;
};

} // namespace tallowby
