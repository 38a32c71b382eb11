#pragma once

#include "zDiffusion.h"
#include "zLanes.h"
#include "zShelf.h"

/// Both channels of a diffuser, side by side in lanes of `L`, for block processing: three
/// all-pass stages, each with a shelf inside its loop, then the diffuser's own shelf. Serves the
/// early (zDiffDelay stages) and the late (zDiffDelay4p stages) sections alike.
///
/// A stage's loop value for a call is the shelved output of its delay line in the call before.
/// Over a run of calls no longer than every stage's delay, those line outputs are all stored
/// before the run starts, so the loop shelves no longer wait on the stages: in each call they
/// prepare the next call's loop values while the stages and the own shelves work on this one.
/// Lanes: stage 0 left, right, stage 1 left, right (front); stage 2 left, right (back); own left,
/// right. Stage 2's loop shelf must not share a register with the own shelves: every lane of an
/// operation waits for all of them, and the own shelves wait for the stages. Each call takes the
/// per-sample code's steps (zAllPassStep, zShelfLanes), lane by lane.
template <typename Stage, typename L = zLanes> class zDiffuserLanes
{
  public:
    /// Takes over the stages' coefficients, loop values and shelf memories ([stage][channel]) and
    /// the own shelves' memories; until store(), none of them may be used otherwise.
    void load(Stage* const (&stages)[3][2], zShelf* leftOwn, zShelf* rightOwn) noexcept
    {
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                stages_[k][c] = stages[k][c];
        front_.load(
            {&stages[0][0]->shelf(), &stages[0][1]->shelf(), &stages[1][0]->shelf(), &stages[1][1]->shelf()});
        back_.load({&stages[2][0]->shelf(), &stages[2][1]->shelf()});
        own_.load({leftOwn, rightOwn});
        for (int k = 0; k < 3; ++k)
        {
            g_[k] = L{stages[k][0]->g_, stages[k][1]->g_, 0.0f, 0.0f};
            negG_[k] = g_[k] * -1.0f;
        }
        frontLoop_ = L{stages[0][0]->loopState_, stages[0][1]->loopState_, stages[1][0]->loopState_,
                       stages[1][1]->loopState_};
        backLoop_ = L{stages[2][0]->loopState_, stages[2][1]->loopState_, 0.0f, 0.0f};
    }

    /// Hands the loop values and the shelf memories back to the stages and shelves.
    void store() noexcept
    {
        front_.store();
        back_.store();
        own_.store();
        for (int c = 0; c < 2; ++c)
        {
            stages_[0][c]->loopState_ = frontLoop_[c];
            stages_[1][c]->loopState_ = frontLoop_[2 + c];
            stages_[2][c]->loopState_ = backLoop_[c];
        }
    }

    /// One run of `n` calls: `io` holds each call's input pair in lanes 0 and 1 and receives its
    /// output; lineOut[k][c] are the outputs of stage k's line in channel c for these calls, and
    /// lineIn[k][c] receives what the calls store into it. `eachCall(i)` runs in every call, for
    /// work that can go alongside.
    template <typename EachCall>
    void run(const float* const (&lineOut)[3][2], L* io, float* const (&lineIn)[3][2], int n,
             EachCall&& eachCall) noexcept
    {
        L frontIn[zMaxRun], backIn[zMaxRun], stored01[zMaxRun], stored2[zMaxRun];
        zInterleave(lineOut[0][0], lineOut[0][1], lineOut[1][0], lineOut[1][1], frontIn, n);
        zInterleave(lineOut[2][0], lineOut[2][1], lineOut[2][0], lineOut[2][1], backIn, n);
        for (int i = 0; i < n; ++i)
        {
            eachCall(i);
            L v0, v1, v2;
            const L y0 = zAllPassStep(io[i], g_[0], negG_[0], frontLoop_, v0);
            const L y1 = zAllPassStep(y0, g_[1], negG_[1], zHighPair(frontLoop_), v1);
            const L y2 = zAllPassStep(y1, g_[2], negG_[2], backLoop_, v2);
            stored01[i] = zLowPairs(v0, v1);
            stored2[i] = v2;
            io[i] = own_.processSample(y2);
            frontLoop_ = front_.processSample(frontIn[i]);
            backLoop_ = back_.processSample(backIn[i]);
        }
        float unused[2][zMaxRun];
        zDeinterleave(stored01, lineIn[0][0], lineIn[0][1], lineIn[1][0], lineIn[1][1], n);
        zDeinterleave(stored2, lineIn[2][0], lineIn[2][1], unused[0], unused[1], n);
    }

  private:
    Stage* stages_[3][2] = {};
    zShelfLanes<4, L> front_;
    zShelfLanes<2, L> back_, own_;
    L g_[3] = {}, negG_[3] = {};
    L frontLoop_ = {}, backLoop_ = {}; ///< the loop values the next call adds, in the lanes above
};
