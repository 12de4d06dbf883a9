#include "files/FormatRegistry.h"
#include "files/Keyboards.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

using namespace lay;

// The places are what the file dialogs show and what their filter index selects, and the
// keyboard manager picks device images by them: they must never move.
TEST(FormatRegistry, SaveAndOpenRegistriesInTheirFixedOrder) {
    TKeyboards keyboards;
    TLayoutFormats save(keyboards);
    FillSaveRegistry(save);
    ASSERT_EQ(save.Count(), 7);
    EXPECT_EQ(save.Filter(), "Раскладка Layomatic (*.xml)|*.xml|"
                             "Раскладка Layomatic 1.3 (*.xml)|*.xml|"
                             "Раскладка Layomatic (*.bin)|*.bin|"
                             "Раскладка Layomatic 1.3 (*.bin)|*.bin|"
                             "Раскладка в формате EMF (*.emf)|*.emf|"
                             "Раскладка Layomatic (программа 2.8) (*.bin)|*.bin|"
                             "Раскладка Layomatic (программа 2.9) (*.bin)|*.bin");
    const char* names[] = {"xml", "xml13", "bin210", "bin13", "emf", "bin28", "bin29"};
    const int places[] = {sfXML, sfXML13, sfBin210, sfBin13, sfEMF, sfBin28, sfBin29};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(SaveFormatIndex(save, names[i]), places[i]) << names[i];
        EXPECT_EQ(SaveFormatName(save, places[i]), names[i]);
    }
    EXPECT_EQ(SaveFormatIndex(save, "pdf"), -1);

    TLayoutFormats open(keyboards);
    FillOpenRegistry(open);
    ASSERT_EQ(open.Count(), 2);
    EXPECT_EQ(open.Items(ofXML).GetFilter(), save.Items(sfXML).GetFilter());
    EXPECT_EQ(open.Items(ofBin210).GetFilter(), save.Items(sfBin210).GetFilter());
    EXPECT_EQ(SaveFormatIndex(open, "bin210"), ofBin210);
}

TEST(FormatRegistry, AnEmptyStringIsNoLayout) {
    TKeyboards keyboards;
    TLayoutFormats formats(keyboards);
    TLayoutFormat& nothing = formats.Add<TLayoutFormat>();
    TLayout layout;
    EXPECT_TRUE(nothing.SaveToString(layout).empty()) << "the base format writes nothing";
    try {
        nothing.LoadFromString(layout, {});
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Отсутствуют данные раскладки");
    }
}
