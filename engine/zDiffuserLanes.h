#pragma once

#include "zLanes.h"
#include "zShelf.h"

/// Both channels of a diffuser, side by side in lanes, for block processing: three all-pass
/// stages, each with a shelf inside its loop, then the diffuser's own shelf. Serves the early
/// (zDiffDelay stages) and the late (zDiffDelay4p stages) sections alike.
///
/// A stage's loop value for a call is the shelved output of its delay line in the call before.
/// Over a run of calls no longer than every stage's delay, those line outputs are all stored
/// before the run starts, so the loop shelves no longer wait on the stages: in each call they
/// prepare the next call's loop values while the stages and the own shelves work on this one.
/// Lanes: stage 0 left, right, stage 1 left, right (front); stage 2 left, right (back); own left,
/// right. Stage 2's loop shelf must not share a register with the own shelves: every lane of an
/// operation waits for all of them, and the own shelves wait for the stages. The arithmetic of
/// each call is the per-sample code's, lane by lane.
template <typename Stage> class zDiffuserLanes
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
            g_[k] = zMakeLanes(stages[k][0]->getCoefficient(), stages[k][1]->getCoefficient());
            negG_[k] = g_[k] * -1.0f;
        }
        frontLoop_ = zMakeLanes(stages[0][0]->loopState(), stages[0][1]->loopState(),
                                stages[1][0]->loopState(), stages[1][1]->loopState());
        backLoop_ = zMakeLanes(stages[2][0]->loopState(), stages[2][1]->loopState());
    }

    /// Hands the loop values and the shelf memories back to the stages and shelves.
    void store() noexcept
    {
        front_.store();
        back_.store();
        own_.store();
        for (int c = 0; c < 2; ++c)
        {
            stages_[0][c]->setLoopState(frontLoop_[c]);
            stages_[1][c]->setLoopState(frontLoop_[2 + c]);
            stages_[2][c]->setLoopState(backLoop_[c]);
        }
    }

    /// One run of `n` calls: `io` holds each call's input pair in lanes 0 and 1 and receives its
    /// output; lineOut[k][c] are the outputs of stage k's line in channel c for these calls, and
    /// lineIn[k][c] receives what the calls store into it. `eachCall(i)` runs in every call, for
    /// work that can go alongside.
    template <typename EachCall>
    void run(const float* const (&lineOut)[3][2], zLanes* io, float* const (&lineIn)[3][2], int n,
             EachCall&& eachCall) noexcept
    {
        zLanes frontIn[zMaxRun], backIn[zMaxRun], stored01[zMaxRun], stored2[zMaxRun];
        zInterleave(lineOut[0][0], lineOut[0][1], lineOut[1][0], lineOut[1][1], frontIn, n);
        zInterleave(lineOut[2][0], lineOut[2][1], lineOut[2][0], lineOut[2][1], backIn, n);
        for (int i = 0; i < n; ++i)
        {
            eachCall(i);
            const zLanes x = io[i];
            const zLanes y0 = negG_[0] * x + frontLoop_;
            const zLanes v0 = g_[0] * y0 + x;
            const zLanes y1 = negG_[1] * y0 + zHighPair(frontLoop_);
            const zLanes v1 = g_[1] * y1 + y0;
            const zLanes y2 = negG_[2] * y1 + backLoop_;
            const zLanes v2 = g_[2] * y2 + y1;
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
    zShelfLanes<4> front_;
    zShelfLanes<2> back_, own_;
    zLanes g_[3] = {}, negG_[3] = {};
    zLanes frontLoop_ = {}, backLoop_ = {}; ///< the loop values the next call adds, in the lanes above
};
