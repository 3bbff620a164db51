// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/setlist.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

class MidiBackend;

// A setlist being played: where it is, and each step to the Amp and the
// editor through show(). Steps come from keys and from a foot controller;
// they are taken at most as fast as the cable carries a preset, the last
// one wins, and unsaved editor work is asked about once a session, not at
// every step. No widgets.
class SetlistPlayer : public QObject {
    Q_OBJECT
public:
    // One preset message on the cable: 70 bytes at 3,125 bytes a second.
    static constexpr int StepIntervalMs = 23;

    // Shows the place in the editor and sends it to the Amp, asking first
    // about unsaved work when ask is set; later calls done(shown, asked):
    // shown false when the user kept his work (the step is not taken),
    // asked when the question was put.
    using Done = std::function<void(bool shown, bool asked)>;
    using Show = std::function<void(const SetlistPlace &place, bool ask, Done done)>;

    // What a foot controller sends for "next" or "previous".
    struct Trigger {
        enum Kind : std::uint8_t { None, Control, Program };
        Kind kind = None;
        int channel = 0; // 0..15
        int number = 0;
        friend bool operator==(const Trigger &, const Trigger &) = default;
        QString text() const; // "CC 64 on channel 1", "PC 3 on channel 1", "" for None
        QString key() const;  // for the settings: "cc:0:64", "pc:0:3", ""
        static Trigger fromKey(const QString &key);
    };

    explicit SetlistPlayer(Show show, QObject *parent = nullptr);
    ~SetlistPlayer() override;

    // Starts a session at entry `at`; nothing is sent until the first step.
    void start(std::vector<SetlistPlace> places, int at = 0);
    void stop();
    bool isPlaying() const { return playing_; }
    int position() const { return position_; }
    int count() const { return int(places_.size()); }
    const SetlistPlace *place(int index) const;

    // Moves by `by` entries (clamped to the list) and shows that entry.
    void step(int by);
    void go(int index);
    // The last step has left the cable: the newest target is shown (the
    // pace timer calls it; tests call it instead of waiting).
    void cableFree();

    // The foot controller: the port to listen on (the player owns the
    // backend; nullptr closes it).
    bool listen(std::unique_ptr<MidiBackend> backend, int port, QString *why = nullptr);
    // The next control change or program change becomes the trigger.
    enum class Learning { Nothing, Next, Previous };
    void learn(Learning what);
    Learning learning() const { return learning_; }
    Trigger nextTrigger() const { return next_; }
    Trigger previousTrigger() const { return previous_; }
    void setTriggers(Trigger next, Trigger previous);
    // A short message from the foot controller (public for tests).
    void footMessage(std::uint8_t status, std::uint8_t first, std::uint8_t second);

signals:
    void positionChanged(int position);
    // The entry at position is on the Amp and in the editor.
    void shown(int position);
    void learned(SetlistPlayer::Learning what, SetlistPlayer::Trigger trigger);

private:
    void showTarget();

    Show show_;
    std::vector<SetlistPlace> places_;
    bool playing_ = false;
    int position_ = 0;
    int shownAt_ = -1;     // the entry on the Amp, -1 none
    bool showing_ = false; // a show() waits for its done
    bool asked_ = false;   // unsaved work was asked about this session
    QTimer pace_;          // while running, the cable is busy with the last step
    Learning learning_ = Learning::Nothing;
    Trigger next_, previous_;
    std::unique_ptr<MidiBackend> foot_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
