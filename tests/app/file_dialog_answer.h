#pragma once
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

// Waits for the platform's file dialog while it lives and has the first one
// shown answered by `answer`, which may read it first.
class FileDialogAnswer {
public:
    explicit FileDialogAnswer(std::function<void(QFileDialog&)> answer) : answer_(std::move(answer)) {
        // Polled, as the dialog comes up inside work that lets messages through.
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) return;
            poll_.stop();
            answer_(*dialog);
            // An answer cut short by a failed check would leave the test waiting.
            answered = !dialog->isVisible();
            if (!answered) dialog->reject();
        });
        poll_.start(10);
    }

    // The dialog came up and the answer closed it.
    bool answered = false;

    // What the dialog shows as it opens.
    static QString FolderOf(const QFileDialog& dialog) { return dialog.directory().absolutePath(); }
    static QString NameOf(const QFileDialog& dialog) { return dialog.findChild<QLineEdit*>("fileNameEdit")->text(); }

    // The person goes to `folder`, types `name` and presses Return.
    static void TypeName(QFileDialog& dialog, const QString& folder, const QString& name) {
        dialog.setDirectory(folder);
        QLineEdit* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
        edit->setFocus();
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // A click on the dialog's accept button ("Choose", "Save").
    static void ClickAccept(QFileDialog& dialog) {
        QPushButton* button = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
        QVERIFY(button && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static void PressEscape(QFileDialog& dialog) {
        QWidget* focus = dialog.focusWidget();
        QTest::keyClick(focus ? focus : &dialog, Qt::Key_Escape);
    }

private:
    std::function<void(QFileDialog&)> answer_;
    QTimer poll_;
};

// Runs the process in `folder` while it lives, so a dialog left to open in
// the working folder shows itself.
class WorkingFolder {
public:
    explicit WorkingFolder(const QString& folder) : earlier_(QDir::currentPath()) { QDir::setCurrent(folder); }
    ~WorkingFolder() { QDir::setCurrent(earlier_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    QString earlier_;
};
