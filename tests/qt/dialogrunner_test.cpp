#include "platform/qt/dialogrunner.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "dialogs/dialogs.h"

namespace vantrel {
namespace {

void application() {
    static int argc = 1;
    static char name[] = "qt-tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QApplication::instance()) new QApplication(argc, argv);
}

// Runs `user` as soon as the next modal window is open, as a user at it would.
void then(std::function<void(QWidget*)> user, int tries = 200) {
    QTimer::singleShot(tries == 200 ? 0 : 10, [user, tries] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w && tries > 0) return then(user, tries - 1);
        ASSERT_NE(w, nullptr);
        // No window manager activates it on the offscreen platform.
        QApplication::setActiveWindow(w);
        user(w);
    });
}

TableDialog* table(QWidget* w) {
    return dynamic_cast<TableDialog*>(w);
}
QLineEdit* edit(QWidget* w, int id) {
    return qobject_cast<QLineEdit*>(table(w)->control(id));
}
void press(QWidget* w, int id) {
    qobject_cast<QPushButton*>(table(w)->control(id))->click();
}

class Runner : public ::testing::Test {
  protected:
    Runner() {
        application();
        s.xmin = s.mxmin;
        s.xmax = s.mxmax;
        s.ymin = s.mymin;
        s.ymax = s.mymax;
    }
    State s;
};

TEST_F(Runner, ATableBecomesADialogAndOkStoresWhatWasTyped) {
    BoundDialog d = binddialog(s, ParamDialogProc);
    then([](QWidget* w) {
        ASSERT_NE(table(w), nullptr);
        EXPECT_EQ(w->windowTitle(), " Fractal Parameters");
        EXPECT_EQ(table(w)->label(305)->text(), "xmin:");
        EXPECT_EQ(table(w)->label(375)->text(), "scale (DEM inside):");
        EXPECT_EQ(edit(w, 335)->text(), "256");
        EXPECT_EQ(qobject_cast<QPushButton*>(table(w)->control(dialogok))->text(), "OK");
        // The first field has the focus, and Tab follows the table.
        EXPECT_EQ(w->focusWidget(), edit(w, 305));
        for (int next : {310, 315, 320, 325}) {
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QApplication::sendEvent(w->focusWidget(), &tab);
            EXPECT_EQ(w->focusWidget(), edit(w, next));
        }
        edit(w, 335)->setText("64");
        // Enter in a field is OK.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(edit(w, 335), &enter);
    });
    EXPECT_EQ(rundialog(d, nullptr), dialogok);
    EXPECT_EQ(s.maxiter, 64);
}

TEST_F(Runner, CancelLeavesTheStateAndRadioGroupsAreExclusive) {
    BoundDialog d = binddialog(s, ParamDialogProc);
    then([](QWidget* w) {
        edit(w, 335)->setText("99");
        press(w, dialogcancel);
    });
    EXPECT_EQ(rundialog(d, nullptr), dialogcancel);
    EXPECT_EQ(s.maxiter, 256);

    BoundDialog type = binddialog(s, TypeDialogProc);
    then([](QWidget* w) {
        auto* mandelbrot = qobject_cast<QRadioButton*>(table(w)->control(220));
        auto* julia = qobject_cast<QRadioButton*>(table(w)->control(221));
        EXPECT_EQ(w->windowTitle(), "Select the Fractal Type");
        EXPECT_TRUE(mandelbrot->isChecked());
        julia->click();
        EXPECT_FALSE(mandelbrot->isChecked());
        press(w, dialogok);
    });
    EXPECT_EQ(rundialog(type, nullptr), dialogok);
    EXPECT_EQ(s.ftype, settype::julia);
}

TEST_F(Runner, ARefusedFieldIsReportedAndTheDialogStaysOpenOnIt) {
    BoundDialog d = binddialog(s, ParamDialogProc);
    bool reported = false, stayed = false;
    then([&](QWidget* w) {
        edit(w, 325)->setText("5");
        then([&](QWidget* box) {
            auto* b = qobject_cast<QMessageBox*>(box);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->windowTitle(), "Parameter Error");
            EXPECT_EQ(b->text(), "xres range: 32 - 9600");
            EXPECT_EQ(b->icon(), QMessageBox::Warning);
            EXPECT_EQ(b->parentWidget(), w);
            reported = true;
            b->accept();
        });
        press(w, dialogok);
        stayed = w->isVisible();
        EXPECT_EQ(w->focusWidget(), edit(w, 325));
        EXPECT_EQ(edit(w, 325)->selectedText(), "5");
        press(w, dialogcancel);
    });
    EXPECT_EQ(rundialog(d, nullptr), dialogcancel);
    EXPECT_TRUE(reported);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(s.xres, 600);
}

TEST_F(Runner, TheSaveDialogListsItsKindsAndAddsTheExtension) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    FileChoice f{"Select a file for saving your image:",
                 {{"Targa files (*.tga)", "*.tga"}, {"PNG files (*.png)", "*.png"}},
                 "tga",
                 (dir / "*.tga").string(),
                 {}};
    then([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        EXPECT_EQ(fd->windowTitle(), "Select a file for saving your image:");
        EXPECT_EQ(fd->nameFilters(), (QStringList{"Targa files (*.tga)", "PNG files (*.png)"}));
        EXPECT_EQ(fd->directory().absolutePath().toStdString(),
                  std::filesystem::canonical(dir).string());
        EXPECT_EQ(fd->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(fd->testOption(QFileDialog::DontConfirmOverwrite));
        auto* name = fd->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("vantrel-runner-picture");
        static_cast<QDialog*>(fd)->accept();
    });
    ASSERT_TRUE(runfiledialog(f, true, nullptr));
    EXPECT_EQ(f.name, "vantrel-runner-picture.tga");
    EXPECT_EQ(std::filesystem::path(f.path).filename(), "vantrel-runner-picture.tga");

    // Cancel keeps the record as it was.
    FileChoice g = f;
    then([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(runfiledialog(g, false, nullptr));
    EXPECT_EQ(g.path, f.path);
}

}  // namespace
}  // namespace vantrel
