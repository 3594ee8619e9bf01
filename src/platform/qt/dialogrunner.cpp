#include "platform/qt/dialogrunner.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <filesystem>

namespace vantrel {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QRect place(const TableDialog& d, const Rect& box, const Rect& origin) {
    return QRect(d.px(box.left - origin.left), d.py(box.top - origin.top),
                 std::max(1, d.px(box.right) - d.px(box.left)),
                 std::max(1, d.py(box.bottom) - d.py(box.top)));
}

// The filter as a file dialog reads it: the display text, with the pattern in
// parentheses unless the text already shows it.
QString filtertext(const FileChoice::Filter& f) {
    const std::string shown = "(" + f.pattern + ")";
    if (f.name.find(shown) != std::string::npos) return qs(f.name);
    return qs(f.name + " " + shown);
}

// "*.png" -> "png"; a pattern that is no plain extension gives nothing.
QString suffixof(const std::string& pattern) {
    if (pattern.size() > 2 && pattern.compare(0, 2, "*.") == 0 &&
        pattern.find_first_of("*?[", 2) == std::string::npos)
        return qs(pattern.substr(2));
    return {};
}

}  // namespace

TableDialog::TableDialog(BoundDialog& d, QWidget* owner) : QDialog(owner), d_(d) {
    const DialogTable& t = *d.table;
    setWindowTitle(qs(t.title));
    setModal(true);

    // Dialog units are a quarter of the average letter width across and an eighth
    // of the line height down, so the layout follows the font it is shown in.
    const QFontMetricsF fm(font());
    basex_ = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
    basey_ = fm.height();
    // A dialog taller than the screen (the long method lists on a small one) is
    // drawn smaller rather than cut off.
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        const double k = std::min({1.0, 0.9 * room.height() / (t.height * basey_ / 8),
                                   0.9 * room.width() / (t.width * basex_ / 4)});
        basex_ *= k;
        basey_ *= k;
    }
    setFixedSize(px(t.width), py(t.height));

    // Group boxes first, so that what stands in them has a parent to stand in.
    for (const DialogControl& c : t.controls) {
        if (c.kind != ControlKind::group) continue;
        auto* box = new QGroupBox(qs(c.text), this);
        box->setGeometry(place(*this, c.box, {}));
        controls_[c.id] = box;
    }

    QWidget* previous = nullptr;
    QWidget* first = nullptr;
    for (const DialogControl& c : t.controls) {
        if (c.kind == ControlKind::group) continue;
        QWidget* parent = this;
        Rect origin{};
        if (c.group != 0 && controls_.count(c.group)) {
            parent = controls_[c.group];
            origin = t.find(c.group)->box;
        }
        QWidget* w = nullptr;
        switch (c.kind) {
            case ControlKind::edit: {
                auto* edit = new QLineEdit(qs(d.fields.gettext(c.id)), parent);
                // The fields are read with a limit of their own; never cut a text here.
                edit->setMaxLength(32767);
                auto* l = new QLabel(qs(c.text), parent);
                l->setGeometry(place(*this, c.labelbox, origin));
                l->setBuddy(edit);
                labels_[c.id] = l;
                w = edit;
                break;
            }
            case ControlKind::radio: {
                auto* b = new QRadioButton(qs(c.text), parent);
                QButtonGroup*& g = groups_[c.group];
                if (!g) {
                    g = new QButtonGroup(this);
                    g->setExclusive(true);
                }
                g->addButton(b, c.id);
                b->setChecked(d.fields.ischecked(c.id));
                w = b;
                break;
            }
            case ControlKind::text: {
                auto* l = new QLabel(qs(c.text), parent);
                l->setTextFormat(Qt::PlainText);
                l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                const QRect r = place(*this, c.box, origin);
                l->setGeometry(r);
                // The lines are laid out by hand; a face wider than the one the
                // box was measured in gets smaller rather than wrapped or cut.
                QFont f = l->font();
                while (f.pointSizeF() > 6) {
                    const QSize need = QFontMetrics(f).size(0, l->text());
                    if (need.width() <= r.width() && need.height() <= r.height()) break;
                    f.setPointSizeF(f.pointSizeF() - 0.5);
                }
                l->setFont(f);
                if (c.id != nocontrol) controls_[c.id] = l;
                continue;
            }
            case ControlKind::button: {
                auto* b = new QPushButton(qs(c.text), parent);
                b->setAutoDefault(false);
                if (c.id == t.okid) {
                    b->setDefault(true);  // Enter anywhere in the dialog is OK
                    connect(b, &QPushButton::clicked, this, [this] { ok(); });
                } else if (c.id == t.cancelid) {
                    connect(b, &QPushButton::clicked, this, &QDialog::reject);
                }
                w = b;
                break;
            }
            case ControlKind::group:
                break;
        }
        if (!w) continue;
        w->setGeometry(place(*this, c.box, origin));
        controls_[c.id] = w;
        if (previous) setTabOrder(previous, w);
        previous = w;
        if (!first) first = w;
    }
    if (first) {
        // A radio group is entered at its checked button, so that the arrow keys
        // step from the current choice.
        if (auto* r = qobject_cast<QRadioButton*>(first))
            if (r->group() && r->group()->checkedButton()) first = r->group()->checkedButton();
        first->setFocus(Qt::TabFocusReason);
        if (auto* e = qobject_cast<QLineEdit*>(first)) e->selectAll();
    }
}

int TableDialog::px(int du) const {
    return static_cast<int>(du * basex_ / 4 + 0.5);
}
int TableDialog::py(int du) const {
    return static_cast<int>(du * basey_ / 8 + 0.5);
}

QWidget* TableDialog::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QLabel* TableDialog::label(int id) const {
    auto it = labels_.find(id);
    return it == labels_.end() ? nullptr : it->second;
}

DialogFields TableDialog::fields() const {
    DialogFields f = d_.fields;
    for (const auto& [id, w] : controls_) {
        if (auto* e = qobject_cast<QLineEdit*>(w))
            f.text[id] = e->text().toStdString();
        else if (auto* b = qobject_cast<QRadioButton*>(w))
            f.checked[id] = b->isChecked();
    }
    return f;
}

void TableDialog::ok() {
    d_.fields = fields();
    const DialogCheck check = d_.ok(d_.fields);
    if (!check.accepted()) {
        QMessageBox box(QMessageBox::Warning, qs(d_.table->errortitle), qs(check.message),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        if (QWidget* w = control(check.focus)) {
            w->setFocus(Qt::OtherFocusReason);
            if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
        }
        return;
    }
    for (const DialogNotice& n : check.notices) {
        QMessageBox box(QMessageBox::Information, qs(n.title), qs(n.text), QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    accept();
}

int rundialog(BoundDialog& d, QWidget* owner) {
    TableDialog dialog(d, owner);
    return dialog.exec() == QDialog::Accepted ? dialogok : dialogcancel;
}

bool runfiledialog(FileChoice& f, bool save, QWidget* owner) {
    QFileDialog dialog(owner, qs(f.title));
    // Qt's own dialog behaves alike on every desktop: the default extension, the
    // question before a file is replaced and the start folder are always honoured.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    for (const FileChoice::Filter& filter : f.filters) filters << filtertext(filter);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(qs(f.defext));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        const int k = static_cast<int>(filters.indexOf(chosen));
        if (k < 0) return;
        const QString suffix = suffixof(f.filters[static_cast<std::size_t>(k)].pattern);
        dialog.setDefaultSuffix(suffix.isEmpty() ? qs(f.defext) : suffix);
    });

    if (!f.path.empty()) {
        const std::filesystem::path start(f.path);
        const std::string file = start.filename().string();
        std::error_code ec;
        if (start.has_parent_path() && std::filesystem::is_directory(start.parent_path(), ec))
            dialog.setDirectory(qs(start.parent_path().string()));
        if (!file.empty() && file.find_first_of("*?") == std::string::npos) {
            dialog.selectFile(qs(file));
            // The last choice was of another kind (a PNG image): list that kind.
            for (std::size_t k = 0; k < f.filters.size(); ++k) {
                const QString suffix = suffixof(f.filters[k].pattern);
                if (!suffix.isEmpty() &&
                    QFileInfo(qs(file)).suffix().compare(suffix, Qt::CaseInsensitive) == 0) {
                    dialog.selectNameFilter(filters[static_cast<int>(k)]);
                    dialog.setDefaultSuffix(suffix);
                    break;
                }
            }
        }
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    f.path = chosen.front().toStdString();
    f.name = QFileInfo(chosen.front()).fileName().toStdString();
    return true;
}

}  // namespace vantrel
