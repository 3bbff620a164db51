// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QWidget>

#include <functional>
#include <vector>

class AmpSlots;
class Library;
class Prompter;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// The Amp's sixteen user slots as this session knows them, each named by the
// library preset with the same record. A click switches the Amp to a slot;
// a library row dropped on a slot is written there; slots dragged into
// another order are written as one plan.
class AmpWindow : public QWidget {
    Q_OBJECT
public:
    // What the window asks of the session; run through the one queue.
    struct Actions {
        std::function<void()> read;
        std::function<void(int slot)> switchTo;
        std::function<void(int slot, const preset::Record &record, const QString &name)> write;
        using Plan = std::vector<std::pair<int, preset::Record>>;
        std::function<void(const Plan &plan, const QString &text)> writePlan;
    };

    AmpWindow(AmpSlots &ampSlots, Library &library, Prompter &prompter, Actions actions, QWidget *parent = nullptr);
    ~AmpWindow() override;

    // The library's name of a record: "Glassy Jazz.syx", "Band.syx B2", or
    // empty when the library has no preset with that record.
    QString libraryName(const preset::Record &record);
    // The slots in the order shown and the writes that order asks for:
    // each slot that would now hold another slot's record ("B2 ← A1").
    static Actions::Plan planFor(const std::vector<int> &order, const AmpSlots &known, QString *text);

    // After slots were dragged: the order shown, top to bottom, as the
    // slots they came from.
    std::vector<int> shownOrder() const;
    void rearranged();
    // A library row dropped on slot.
    void dropped(int slot, const preset::Record &record, const QString &name);
    void saveToLibrary(int slot);
    void saveAsGroupFile();

private:
    void refresh(int slot);
    void fill(QTreeWidgetItem *item, int slot);

    AmpSlots &slots_;
    Library &library_;
    Prompter &prompter_;
    Actions actions_;
    QTreeWidget *tree_ = nullptr;
    QLabel *status_ = nullptr;
    bool filling_ = false;
};
