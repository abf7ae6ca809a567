#pragma once
// The About window: the product's name, the systems it serves, its version, its authors and
// their links.

#include "runtime/Form.h"

class frmAbout : public Form
{
  public:
    // The controls, in the design's stored order.
    enum Control
    {
        lblAbout0,
        lblAbout1,
        lblAbout2,
        lblVer,
        picIcon,
        lblAbout3,
        lblAbout4,
        lblAbout5,
        lblLink0,
        lblLink1,
        lblLink2,
        kControlCount
    };

    explicit frmAbout(Host& host);

  protected:
    void OnInitialize() override;
    void OnLoad() override;
    void OnEvent(int row, FormEvent event) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void lblLink_Click(int index);
    void DrawPicture();
};

const FormDesign& frmAboutDesign();
