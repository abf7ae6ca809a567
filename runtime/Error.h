#pragma once
// The one error type of the program: a number and a description, as the untrapped-error
// boundary reports them. Library code (cCommonDialog, the text output) throws it; the forms
// layer catches what escapes an event handler.

#include <exception>
#include <string>

// Numbers in the classic runtime's numbering, so that a report reads the way users know it.
constexpr long kErrInvalidArgument = 5; // "Invalid procedure call or argument"
constexpr long kErrOverflow = 6;        // "Overflow"
constexpr long kErrInternal = 51;       // "Internal error"

class Error : public std::exception
{
  public:
    Error(long number, std::wstring description)
        : m_number(number), m_description(std::move(description))
    {
    }

    long Number() const noexcept { return m_number; }
    const std::wstring& Description() const noexcept { return m_description; }
    const char* what() const noexcept override { return "Tessaline error"; }

    static Error InvalidArgument()
    {
        return Error(kErrInvalidArgument, L"Invalid procedure call or argument");
    }
    static Error Overflow() { return Error(kErrOverflow, L"Overflow"); }
    // A failure the program did not foresee, with the plain-ASCII text that came with it.
    static Error Internal(const char* what)
    {
        std::wstring description = L"Internal error: ";
        for (; what != nullptr && *what != '\0'; ++what)
            description.push_back(static_cast<unsigned char>(*what));
        return Error(kErrInternal, description);
    }

  private:
    long m_number;
    std::wstring m_description;
};
