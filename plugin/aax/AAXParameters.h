#pragma once

// Parameters of the project's own minimal AAX-shaped layer: the parameter template, its taper
// and display delegates, and the manager that holds an effect's parameters in order.

#include "AAXInterface.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

/// Maps a parameter's real value to the normalised 0..1 value hosts automate, and back.
template <typename T> class AAX_ITaperDelegate
{
  public:
    virtual ~AAX_ITaperDelegate() = default;
    virtual std::unique_ptr<AAX_ITaperDelegate> Clone() const = 0;
    virtual T NormalizedToReal(double normalized) const = 0;
    virtual double RealToNormalized(T real) const = 0;
};

/// A straight line from [minimum, maximum] onto [0, 1]. RealPrecision > 0 rounds real values to
/// steps of 1 / RealPrecision; 0 keeps them as they are.
template <typename T, int32_t RealPrecision = 1000>
class AAX_CLinearTaperDelegate final : public AAX_ITaperDelegate<T>
{
  public:
    AAX_CLinearTaperDelegate(T minimum = 0, T maximum = 1) : minValue(minimum), maxValue(maximum) {}

    std::unique_ptr<AAX_ITaperDelegate<T>> Clone() const override
    {
        return std::make_unique<AAX_CLinearTaperDelegate>(*this);
    }

    T NormalizedToReal(double normalized) const override
    {
        const double n = std::clamp(normalized, 0.0, 1.0);
        return round((T)(n * ((double)maxValue - (double)minValue) + (double)minValue));
    }

    double RealToNormalized(T real) const override
    {
        if (maxValue == minValue)
            return 0.0;
        const double n = ((double)round(real) - (double)minValue) / ((double)maxValue - (double)minValue);
        return std::clamp(n, 0.0, 1.0);
    }

  private:
    static T round(T value)
    {
        if constexpr (RealPrecision > 0)
            return (T)(std::round((double)value * RealPrecision) / RealPrecision);
        else
            return value;
    }

    T minValue, maxValue;
};

/// Two states: normalised values from 0.5 up are true.
template <typename T> class AAX_CBinaryTaperDelegate final : public AAX_ITaperDelegate<T>
{
  public:
    std::unique_ptr<AAX_ITaperDelegate<T>> Clone() const override
    {
        return std::make_unique<AAX_CBinaryTaperDelegate>(*this);
    }
    T NormalizedToReal(double normalized) const override { return (T)(normalized >= 0.5); }
    double RealToNormalized(T real) const override { return real ? 1.0 : 0.0; }
};

/// Turns a parameter's real value into the text a host shows.
template <typename T> class AAX_IDisplayDelegate
{
  public:
    virtual ~AAX_IDisplayDelegate() = default;
    virtual std::unique_ptr<AAX_IDisplayDelegate> Clone() const = 0;
    virtual std::string ValueToString(T value, int32_t maxLength) const = 0;
};

inline std::string AAX_CutText(std::string text, int32_t maxLength)
{
    if (maxLength >= 0 && text.size() > (size_t)maxLength)
        text.resize((size_t)maxLength);
    return text;
}

/// A number with Precision decimals followed by SpaceAfter spaces (where a unit would go).
template <typename T, int32_t Precision = 2, int32_t SpaceAfter = 0>
class AAX_CNumberDisplayDelegate final : public AAX_IDisplayDelegate<T>
{
  public:
    std::unique_ptr<AAX_IDisplayDelegate<T>> Clone() const override
    {
        return std::make_unique<AAX_CNumberDisplayDelegate>(*this);
    }

    std::string ValueToString(T value, int32_t maxLength) const override
    {
        char text[64];
        std::snprintf(text, sizeof(text), "%.*f", (int)Precision, (double)value);
        return AAX_CutText(std::string(text) + std::string((size_t)SpaceAfter, ' '), maxLength);
    }
};

/// One text for false, another for true.
template <typename T> class AAX_CBinaryDisplayDelegate final : public AAX_IDisplayDelegate<T>
{
  public:
    AAX_CBinaryDisplayDelegate(const char* falseText, const char* trueText)
        : falseString(falseText), trueString(trueText)
    {
    }

    std::unique_ptr<AAX_IDisplayDelegate<T>> Clone() const override
    {
        return std::make_unique<AAX_CBinaryDisplayDelegate>(*this);
    }

    std::string ValueToString(T value, int32_t maxLength) const override
    {
        return AAX_CutText(value ? trueString : falseString, maxLength);
    }

  private:
    std::string falseString, trueString;
};

/// A parameter whose real value is of type T (bool or float). The normalised value is an atomic
/// because host threads set it while others read it.
template <typename T> class AAX_CParameter final : public AAX_IParameter
{
    static_assert(std::is_same_v<T, bool> || std::is_same_v<T, float>, "bool and float parameters only");

  public:
    AAX_CParameter(const char* identifier, const char* name, T defaultValue,
                   const AAX_ITaperDelegate<T>& taper, const AAX_IDisplayDelegate<T>& display,
                   bool automatable)
        : id(identifier), fullName(name), taperDelegate(taper.Clone()), displayDelegate(display.Clone()),
          isAutomatable(automatable), defaultNormalized(taper.RealToNormalized(defaultValue)),
          normalized(defaultNormalized)
    {
        if constexpr (std::is_same_v<T, bool>)
        {
            numSteps = 2;
            type = AAX_eParameterType_Discrete;
        }
    }

    /// Adds a short form of the name for hosts with little room.
    void AddShortenedName(const char* name) { shortNames.emplace_back(name); }
    void SetNumberOfSteps(uint32_t steps) { numSteps = steps; }
    void SetType(AAX_EParameterType newType) { type = newType; }

    AAX_CParamID Identifier() const override { return id.c_str(); }
    void GetName(AAX_IString* name) const override { name->Set(fullName.c_str()); }

    void GetShortenedName(int32_t maxLength, AAX_IString* name) const override
    {
        const std::string* best = nullptr;
        for (const auto& candidate : shortNames)
            if (maxLength >= 0 && candidate.size() <= (size_t)maxLength &&
                (best == nullptr || candidate.size() > best->size()))
                best = &candidate;
        if (maxLength >= 0 && fullName.size() <= (size_t)maxLength)
            best = &fullName;
        name->Set(best != nullptr ? best->c_str() : AAX_CutText(fullName, maxLength).c_str());
    }

    int32_t GetNumberOfShortenedNames() const override { return (int32_t)shortNames.size(); }
    bool Automatable() const override { return isAutomatable; }
    uint32_t GetNumberOfSteps() const override { return numSteps; }
    AAX_EParameterType GetType() const override { return type; }
    double GetNormalizedValue() const override { return normalized.load(std::memory_order_relaxed); }

    void SetNormalizedValue(double value) override
    {
        if (!std::isfinite(value))
            return;
        const double clamped = std::clamp(value, 0.0, 1.0);
        // Stored at once, so the controls chunk carries the change whenever the host answers.
        UpdateNormalizedValue(clamped);
        // One delegate for the whole exchange, so a host detaching meanwhile never sees a touch
        // without its release.
        if (auto* delegate = automationDelegate.load(std::memory_order_acquire))
        {
            touch(delegate);
            delegate->PostSetValueRequest(Identifier(), clamped);
            release(delegate);
        }
    }

    void UpdateNormalizedValue(double value) override
    {
        if (std::isfinite(value))
            normalized.store(std::clamp(value, 0.0, 1.0), std::memory_order_relaxed);
    }

    double GetNormalizedDefaultValue() const override { return defaultNormalized; }

    void Touch() override { touch(automationDelegate.load(std::memory_order_acquire)); }
    void Release() override { release(automationDelegate.load(std::memory_order_acquire)); }

    void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) override
    {
        automationDelegate.store(delegate, std::memory_order_release);
    }

    bool GetValueAsBool(bool* value) const override { return getAs<bool>(value); }
    bool GetValueAsFloat(float* value) const override { return getAs<float>(value); }
    bool SetValueWithBool(bool value) override { return setAs<bool>(value); }
    bool SetValueWithFloat(float value) override { return setAs<float>(value); }

    void GetValueString(double normalizedValue, int32_t maxLength, AAX_IString* text) const override
    {
        text->Set(displayDelegate->ValueToString(taperDelegate->NormalizedToReal(normalizedValue), maxLength)
                      .c_str());
    }

  private:
    // The window's thread and the host's threads may touch the same parameter, so the count is
    // atomic; no lock is held while the host is called.
    void touch(AAX_IAutomationDelegate* delegate)
    {
        if (touches.fetch_add(1) == 0 && delegate != nullptr)
            delegate->PostTouchRequest(Identifier());
    }

    void release(AAX_IAutomationDelegate* delegate)
    {
        int count = touches.load();
        do
        {
            if (count == 0)
                return;
        } while (!touches.compare_exchange_weak(count, count - 1));
        if (count == 1 && delegate != nullptr)
            delegate->PostReleaseRequest(Identifier());
    }

    template <typename U> bool getAs(U* value) const
    {
        if constexpr (std::is_same_v<T, U>)
        {
            *value = taperDelegate->NormalizedToReal(GetNormalizedValue());
            return true;
        }
        else
        {
            (void)value;
            return false;
        }
    }

    template <typename U> bool setAs(U value)
    {
        if constexpr (std::is_same_v<T, U>)
        {
            SetNormalizedValue(taperDelegate->RealToNormalized(value));
            return true;
        }
        else
        {
            (void)value;
            return false;
        }
    }

    std::string id, fullName;
    std::vector<std::string> shortNames;
    std::unique_ptr<AAX_ITaperDelegate<T>> taperDelegate;
    std::unique_ptr<AAX_IDisplayDelegate<T>> displayDelegate;
    bool isAutomatable;
    uint32_t numSteps = 0x7fffffff;
    AAX_EParameterType type = AAX_eParameterType_Continuous;
    double defaultNormalized;
    std::atomic<double> normalized;
    std::atomic<int> touches{0};
    std::atomic<AAX_IAutomationDelegate*> automationDelegate{nullptr};
};

/// An effect's parameters in the order they were added. Parameters are added while the effect
/// is being initialised, before any host thread asks for them, and live as long as the manager.
class AAX_CParameterManager
{
  public:
    /// Takes ownership; the parameter reports to the manager's automation delegate.
    void AddParameter(std::unique_ptr<AAX_IParameter> parameter)
    {
        parameter->SetAutomationDelegate(automationDelegate);
        parameters.push_back(std::move(parameter));
    }

    /// The host's automation that every parameter, present and future, reports to.
    void SetAutomationDelegate(AAX_IAutomationDelegate* delegate)
    {
        automationDelegate = delegate;
        for (auto& parameter : parameters)
            parameter->SetAutomationDelegate(delegate);
    }
    void RemoveAllParameters() { parameters.clear(); }

    int32_t NumParameters() const noexcept { return (int32_t)parameters.size(); }

    /// The position of the parameter with this identifier, or -1.
    int32_t GetParameterIndex(AAX_CParamID id) const noexcept
    {
        if (id != nullptr)
            for (size_t i = 0; i < parameters.size(); ++i)
                if (std::strcmp(parameters[i]->Identifier(), id) == 0)
                    return (int32_t)i;
        return -1;
    }

    AAX_IParameter* GetParameterByID(AAX_CParamID id) const noexcept
    {
        return GetParameter(GetParameterIndex(id));
    }

    AAX_IParameter* GetParameter(int32_t index) const noexcept
    {
        return index >= 0 && index < NumParameters() ? parameters[(size_t)index].get() : nullptr;
    }

  private:
    std::vector<std::unique_ptr<AAX_IParameter>> parameters;
    AAX_IAutomationDelegate* automationDelegate = nullptr;
};
