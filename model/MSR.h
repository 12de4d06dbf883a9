#pragma once

#include "model/Notes.h"
#include "model/Notify.h"
#include "model/ScanCodes.h"

#include <array>
#include <memory>
#include <string>

namespace lay {

// One track of the card reader: whether its data are sent, and what frames them.
class TMSRTrack : public TNotifyObject {
public:
    explicit TMSRTrack(TNotifier* notifier);

    TScanCodes Prefix;
    TScanCodes Suffix;
    std::string ErrorText;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Empties both sequences and enables the track again.
    void Clear();
    void Assign(const TMSRTrack& source);
    bool Equals(const TMSRTrack& other) const;
    bool Check();

private:
    bool FEnabled = true;
};

// The three-track magnetic card reader of one layer.
class TMSR : public TNotifyObject {
public:
    static constexpr int TrackCount = 3;

    explicit TMSR(TNotifier* notifier);

    TNotes Notes;
    std::string ErrorText;

    // Index 0 to 2 for tracks 1 to 3.
    TMSRTrack& Tracks(int index) const;

    bool SendEnter() const { return FSendEnter; }
    bool StopOnError() const { return FStopOnError; }
    bool LightIndication() const { return FLightIndication; }
    void SetSendEnter(bool value);
    void SetStopOnError(bool value);
    void SetLightIndication(bool value);

    // What a reader read back from a device image starts from; the light setting is kept.
    void Clear();
    void Assign(const TMSR& source);
    bool Equals(const TMSR& other) const;
    bool Check();

private:
    std::array<std::unique_ptr<TMSRTrack>, TrackCount> FTracks;
    bool FSendEnter = false;
    bool FStopOnError = false;
    bool FLightIndication = true;
};

inline constexpr const char* SBadTrackIndex = "Неверное значение индекса трека.";

} // namespace lay
