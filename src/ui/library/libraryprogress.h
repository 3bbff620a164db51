// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

class Library;
class QLabel;
class QProgressBar;

// The library's part of the main window's status bar: how far indexing
// has come while it runs, and a notice about the index (damaged and
// rebuilt, say) for a while after it came. Never a box: the window does
// not wait for anything here.
class LibraryProgress : public QWidget {
    Q_OBJECT
public:
    static constexpr int NoticeMs = 30000;
    static constexpr int NoticeWidth = 420;

    explicit LibraryProgress(Library &library, QWidget *parent = nullptr);

    void showNotice(const QString &text);
    QString notice() const;

    QLabel *LabelLibrary;
    QProgressBar *ProgressIndexing;

private:
    void progress(int done, int total);
    void busyChanged(bool busy);
    void update();

    QTimer noticeTimer_;
    QString notice_;
    bool busy_ = false;
};
