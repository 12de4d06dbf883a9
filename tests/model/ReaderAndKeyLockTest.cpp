#include "model/Errors.h"
#include "model/KeyLock.h"
#include "model/MSR.h"

#include <gtest/gtest.h>

using namespace lay;

TEST(MSR, NewAndClearedState) {
    TNotifier notifier;
    TMSR msr(&notifier);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(msr.Tracks(i).Enabled());
    EXPECT_TRUE(msr.LightIndication());
    EXPECT_FALSE(msr.SendEnter());
    EXPECT_FALSE(msr.StopOnError());
    EXPECT_FALSE(notifier.Modified);

    msr.SetLightIndication(false);
    msr.SetSendEnter(true);
    msr.Tracks(1).SetEnabled(false);
    msr.Tracks(1).Prefix.SetText("+A -A");
    msr.Notes.SetText("C1;4;10");
    msr.Clear();
    EXPECT_TRUE(msr.StopOnError()) << "a cleared reader stops on errors";
    EXPECT_FALSE(msr.LightIndication()) << "the light setting survives Clear";
    EXPECT_FALSE(msr.SendEnter());
    EXPECT_TRUE(msr.Tracks(1).Enabled());
    EXPECT_TRUE(msr.Tracks(1).Prefix.IsEmpty());
    EXPECT_TRUE(msr.Notes.IsEmpty());
}

TEST(MSR, TrackIndexOutOfRange) {
    TMSR msr(nullptr);
    for (int index : {-1, 3, 100}) {
        try {
            (void)msr.Tracks(index);
            FAIL() << index;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Неверное значение индекса трека.");
        }
    }
}

TEST(MSR, SettersReportOnlyRealChanges) {
    TNotifier notifier;
    TMSR msr(&notifier);
    msr.SetLightIndication(true);
    msr.SetSendEnter(false);
    msr.Tracks(0).SetEnabled(true);
    EXPECT_FALSE(notifier.Modified);
    msr.SetStopOnError(true);
    EXPECT_TRUE(notifier.Modified);
}

TEST(MSR, CheckNamesTrackAndPart) {
    struct TCase {
        int Track;
        bool Suffix;
        const char* Codes;
        const char* Message;
    };
    const TCase cases[] = {
        {2, true, "+A", "Считыватель карт. Трек 3. Суффикс. Код +A: Нет отжатия."},
        {0, false, "-B", "Считыватель карт. Трек 1. Префикс. Код -B: Отжатие перед нажатием."},
        {1, true, "+C +C", "Считыватель карт. Трек 2. Суффикс. Код +C: Два нажатия подряд."},
    };
    for (const TCase& c : cases) {
        TMSR msr(nullptr);
        msr.Tracks(c.Track).SetEnabled(false); // disabled tracks are checked all the same
        (c.Suffix ? msr.Tracks(c.Track).Suffix : msr.Tracks(c.Track).Prefix).SetText(c.Codes);
        EXPECT_FALSE(msr.Check());
        EXPECT_EQ(msr.ErrorText, c.Message);
    }
    TMSR good(nullptr);
    good.Tracks(0).Prefix.SetText("+LShift +5 -5 -LShift");
    good.ErrorText = "старое";
    EXPECT_TRUE(good.Check());
    EXPECT_EQ(good.ErrorText, "старое");
}

TEST(MSR, AssignCopiesEverything) {
    TMSR source(nullptr);
    source.SetSendEnter(true);
    source.SetLightIndication(false);
    source.Tracks(2).SetEnabled(false);
    source.Tracks(2).Suffix.SetText("+ENTER -ENTER");
    source.Notes.SetText("A3;1;2");
    TNotifier notifier;
    TMSR target(&notifier);
    target.Assign(source);
    EXPECT_TRUE(target.Equals(source));
    EXPECT_TRUE(notifier.Modified);
    EXPECT_EQ(target.Tracks(2).Suffix.Text(), "+ENTER -ENTER");
}

TEST(KeyLock, CountsAndLimit) {
    TNotifier notifier;
    TKeyLock lock(&notifier);
    lock.SetCount(5);
    for (int i = 0; i < 5; ++i)
        lock.Items(i).ScanCodes.SetText(i % 2 ? "+A -A" : "+B -B");
    lock.SetCount(3);
    ASSERT_EQ(lock.Count(), 3);
    EXPECT_EQ(lock.Items(1).ScanCodes.Text(), "+A -A");
    EXPECT_EQ(lock.Items(2).KeyLock(), &lock);

    try {
        lock.SetCount(9);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Количество положений ключа не может быть больше 8.");
    }
    EXPECT_EQ(lock.Count(), 8) << "the positions added before the refusal stay";
    EXPECT_THROW(lock.Add(), Exception);
    EXPECT_THROW((void)lock.Items(8), EListError);
}

TEST(KeyLock, CheckNamesThePosition) {
    TKeyLock lock(nullptr);
    EXPECT_TRUE(lock.Check()) << "no positions";
    lock.SetCount(3);
    lock.Items(0).ScanCodes.SetText("+A -A");
    lock.Items(1).ScanCodes.SetText("-A");
    lock.Items(2).ScanCodes.SetText("+A");
    EXPECT_FALSE(lock.Check());
    EXPECT_EQ(lock.ErrorText, "Ключ. Положение 2. Код -A: Отжатие перед нажатием.");
    EXPECT_EQ(lock.Items(1).ScanCodes.ErrorText, "Код -A: Отжатие перед нажатием.");
}

TEST(KeyLock, AssignCopiesAndSelfAssignDoesNothing) {
    TKeyLock source(nullptr);
    source.SetCount(2);
    source.Items(0).SetPositionType(ptLayer3);
    source.Items(1).SetLock(true);
    source.Items(1).ScanCodes.SetText("+F1 -F1");
    source.Items(1).Notes.SetText("C1;4;10");

    TNotifier notifier;
    TKeyLock target(&notifier);
    target.SetCount(6);
    notifier.ClearModified();
    target.Assign(source);
    EXPECT_TRUE(target.Equals(source));
    EXPECT_EQ(target.Count(), 2);
    EXPECT_TRUE(notifier.Modified);

    notifier.ClearModified();
    target.ClearModified();
    target.Assign(target);
    EXPECT_FALSE(notifier.Modified);
    EXPECT_FALSE(target.Modified());
    EXPECT_EQ(target.Count(), 2);
}
