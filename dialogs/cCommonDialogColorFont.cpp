// The colour and font dialogs of cCommonDialog, with the custom colour table.
#include "dialogs/cCommonDialog.h"

#include "dialogs/Records.h"

bool cCommonDialog::VBChooseColor(ChooseColorArgs& args)
{
    DWORD flags = CC_RGBINIT | (args.AnyColor ? CC_ANYCOLOR : CC_SOLIDCOLOR);
    if (args.FullOpen)
        flags |= CC_FULLOPEN;
    if (args.DisableFullOpen)
        flags |= CC_PREVENTFULLOPEN;

    CHOOSECOLORA record{};
    record.lStructSize = sizeof record;
    record.hwndOwner = OwnerWindow(args.Owner);
    record.rgbResult = static_cast<COLORREF>(args.Color);
    record.Flags = flags;
    if (!m_customColorsReady)
        InitCustomColors();
    // The table itself, so that the colours the user sets there stay with the object.
    record.lpCustColors = m_customColors.data();

    m_apiReturn = m_api.ChooseColorA(record);
    if (m_apiReturn == 1)
    {
        args.Color = static_cast<long>(record.rgbResult);
        return true;
    }
    if (m_apiReturn != 0)
        m_extendedError = static_cast<long>(m_api.CommDlgExtendedError());
    args.Color = -1;
    return false;
}

long cCommonDialog::CustomColor(short i)
{
    if (!m_customColorsReady)
        InitCustomColors();
    return i >= 0 && i < static_cast<short>(m_customColors.size())
               ? static_cast<long>(m_customColors[static_cast<std::size_t>(i)])
               : -1;
}

void cCommonDialog::CustomColor(short i, long iValue)
{
    if (!m_customColorsReady)
        InitCustomColors();
    if (i >= 0 && i < static_cast<short>(m_customColors.size()))
        m_customColors[static_cast<std::size_t>(i)] = static_cast<COLORREF>(iValue);
}

void cCommonDialog::InitCustomColors()
{
    for (std::size_t i = 0; i < m_customColors.size(); ++i)
        m_customColors[i] = ::GetSysColor(static_cast<int>(i));
    m_customColorsReady = true;
}
