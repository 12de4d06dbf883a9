#include "model/MSR.h"

#include "model/Errors.h"

namespace lay {

TMSRTrack::TMSRTrack(TNotifier* notifier) : TNotifyObject(notifier), Prefix(notifier), Suffix(notifier) {}

void TMSRTrack::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    Changed();
}

void TMSRTrack::Clear() {
    Prefix.Clear();
    Suffix.Clear();
    FEnabled = true;
}

void TMSRTrack::Assign(const TMSRTrack& source) {
    SetEnabled(source.FEnabled);
    Prefix.Assign(source.Prefix);
    Suffix.Assign(source.Suffix);
    Changed();
}

bool TMSRTrack::Equals(const TMSRTrack& other) const {
    return FEnabled == other.FEnabled && Prefix.Equals(other.Prefix) && Suffix.Equals(other.Suffix);
}

bool TMSRTrack::Check() {
    if (!Prefix.Check()) {
        ErrorText = "Префикс. " + Prefix.ErrorText;
        return false;
    }
    if (!Suffix.Check()) {
        ErrorText = "Суффикс. " + Suffix.ErrorText;
        return false;
    }
    return true;
}

TMSR::TMSR(TNotifier* notifier) : TNotifyObject(notifier), Notes(notifier) {
    for (auto& track : FTracks)
        track = std::make_unique<TMSRTrack>(notifier);
}

TMSRTrack& TMSR::Tracks(int index) const {
    if (index < 0 || index >= TrackCount)
        throw Exception(SBadTrackIndex);
    return *FTracks[static_cast<std::size_t>(index)];
}

void TMSR::SetSendEnter(bool value) {
    if (value == FSendEnter)
        return;
    FSendEnter = value;
    Changed();
}

void TMSR::SetStopOnError(bool value) {
    if (value == FStopOnError)
        return;
    FStopOnError = value;
    Changed();
}

void TMSR::SetLightIndication(bool value) {
    if (value == FLightIndication)
        return;
    FLightIndication = value;
    Changed();
}

void TMSR::Clear() {
    for (auto& track : FTracks)
        track->Clear();
    Notes.Clear();
    SetSendEnter(false);
    SetStopOnError(true);
}

void TMSR::Assign(const TMSR& source) {
    for (int i = 0; i < TrackCount; ++i)
        Tracks(i).Assign(source.Tracks(i));
    Notes.Assign(source.Notes);
    SetSendEnter(source.FSendEnter);
    SetStopOnError(source.FStopOnError);
    SetLightIndication(source.FLightIndication);
    Changed();
}

bool TMSR::Equals(const TMSR& other) const {
    for (int i = 0; i < TrackCount; ++i)
        if (!Tracks(i).Equals(other.Tracks(i)))
            return false;
    return Notes.Equals(other.Notes) && FSendEnter == other.FSendEnter &&
           FStopOnError == other.FStopOnError && FLightIndication == other.FLightIndication;
}

bool TMSR::Check() {
    for (int i = 0; i < TrackCount; ++i) {
        TMSRTrack& track = Tracks(i);
        if (!track.Check()) {
            ErrorText = "Считыватель карт. Трек " + std::to_string(i + 1) + ". " + track.ErrorText;
            return false;
        }
    }
    return true;
}

} // namespace lay
