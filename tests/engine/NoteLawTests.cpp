// The engine's note law, which sets every size and filter corner.

#include <zNoteLaw.h>

#include <gtest/gtest.h>

TEST(NoteLaw, FrequenciesOfTheVoicingNotes)
{
    EXPECT_EQ(noteFrequency(0.0f), 8.17742f);
    EXPECT_NEAR(noteFrequency(36.0f), 65.41f, 0.005f);
    EXPECT_NEAR(noteFrequency(58.0f), 233.09f, 0.005f);
    EXPECT_NEAR(noteFrequency(97.0f), 2217.28f, 0.005f);
    EXPECT_NEAR(noteFrequency(102.0f), 2959.67f, 0.005f);
}

TEST(NoteLaw, TwelveNotesAreVeryNearlyAnOctave)
{
    for (float note : {-24.0f, 0.0f, 12.5f, 60.0f})
        EXPECT_NEAR(noteFrequency(note + 12.0f) / noteFrequency(note), 2.0f, 2e-4f) << note;
}

TEST(NoteLaw, PeriodIsTheReciprocalOfTheFrequency)
{
    for (float note : {-36.0f, -12.0f, 10.5f, 13.5f, 47.9f})
        EXPECT_NEAR(notePeriod(note) * noteFrequency(note), 1.0f, 1e-6f) << note;
    EXPECT_NEAR(notePeriod(10.5f), 0.066680f, 5e-7f);
    EXPECT_NEAR(notePeriod(13.5f), 0.056071f, 1e-6f);
}
