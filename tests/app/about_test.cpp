// The about box and what it is made of: shadow-text labels, the scrolling panel, and the box
// itself opened, played and closed as a user would.

#include "app/components/rx_label.h"
#include "app/components/secret_panel.h"
#include "app/sobre.h"
#include "app/startup.h"
#include "framework/application.h"
#include "framework/design_reader.h"
#include "framework/std_controls.h"
#include "framework/strings.h"
#include "framework/timer.h"
#include "picture/bitmap/bitmap.h"
#include "picture/image.h"

#include "support/test_support.h"
#include "support/test_pictures.h"

#include <QTest>
#include <QTimer>

#include <climits>
#include <functional>
#include <memory>

using namespace testing_support;

namespace {

// The smallest rectangle holding the pixels that pass the test (right and bottom inclusive);
// left > right when there are none.
struct InkBox {
    int left = INT_MAX;
    int top = INT_MAX;
    int right = INT_MIN;
    int bottom = INT_MIN;
    bool empty() const { return left > right; }
    InkBox shifted(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    friend bool operator==(const InkBox&, const InkBox&) = default;
};

void PrintTo(const InkBox& box, std::ostream* os)
{
    *os << "(" << box.left << ", " << box.top << ") - (" << box.right << ", " << box.bottom << ")";
}

InkBox inkOf(const QImage& image, const std::function<bool(const Rgb&)>& isInk)
{
    InkBox box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isInk(pixelAt(image, x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

// Text is smoothed: only clearly coloured pixels count.
bool clearlyRed(const Rgb& p) { return p.red > 160 && p.green < 96 && p.blue < 96; }
bool clearlyBlue(const Rgb& p) { return p.blue > 160 && p.red < 96 && p.green < 96; }
bool clearlyWhite(const Rgb& p) { return p.red > 160 && p.green > 160 && p.blue > 160; }
bool clearlyGrey(const Rgb& p) { return p.red == p.green && p.green == p.blue && p.red > 104 && p.red < 152; }
bool notWhite(const Rgb& p) { return p.red < 200 || p.green < 200 || p.blue < 200; }

void tick(TSecretPanel& panel, int times = 1)
{
    TTimer* timer = panel.ScrollTimer();
    for (int i = 0; i < times; ++i)
        timer->OnTimer()(timer);
}

// A form with a secret panel whose font is 11-pixel DejaVu Sans ("MS Sans Serif" on this
// platform): ascent 10 + descent 3, no external leading, so a plain line is 13 pixels high.
struct PanelOnForm {
    PanelOnForm()
    {
        form.SetClientSize(300, 200);
        panel = new TSecretPanel(&form);
        panel->SetParent(&form);
        panel->SetBounds(10, 10, 200, 80);
        panel->Font()->SetName("MS Sans Serif");
        panel->Font()->SetHeight(-11);
    }
    TForm form{nullptr};
    TSecretPanel* panel = nullptr;
};

} // namespace

// --- Shadow-text labels ---

TEST(ShadowLabel, TheShadowLiesTowardsItsPositionAndBothStayInsideTheLabel)
{
    struct Row {
        const char* name;
        TShadowPosition position;
        TAlignment alignment;
        int dx;  // where the shadow lies from the text, in shadow sizes
        int dy;
    };
    const Row rows[] = {
        {"left top", spLeftTop, taLeftJustify, -1, -1},
        {"left bottom", spLeftBottom, taLeftJustify, -1, 1},
        {"right bottom", spRightBottom, taLeftJustify, 1, 1},
        {"right top", spRightTop, taLeftJustify, 1, -1},
        {"right top, right-aligned", spRightTop, taRightJustify, 1, -1},
        {"left bottom, right-aligned", spLeftBottom, taRightJustify, -1, 1},
        {"right bottom, centred", spRightBottom, taCenter, 1, 1},
    };
    constexpr int size = 3;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TForm form(nullptr);
        form.SetClientSize(300, 100);
        auto* label = new TRxLabel(&form);
        label->SetParent(&form);
        label->SetColor(clWhite);
        label->Font()->SetHeight(-16);
        label->Font()->SetStyle(1u << fsBold);
        label->Font()->SetColor(clBlue);
        label->SetShadowColor(clRed);
        label->SetShadowSize(size);
        label->SetShadowPos(row.position);
        label->SetCaption("Pictavo");
        auto* plain = new TLabel(&form);
        plain->SetParent(&form);
        plain->Font()->CopyFrom(label->Font());
        plain->SetCaption("Pictavo");
        EXPECT_EQ(label->Width(), plain->Width() + size);
        EXPECT_EQ(label->Height(), plain->Height() + size);
        if (row.alignment != taLeftJustify) {
            // Wider than its text: the text goes to the right or the middle.
            label->SetAutoSize(false);
            label->SetWidth(200);
            label->SetAlignment(row.alignment);
        }
        form.Show();

        const QImage shown = grabControl(*label);
        const InkBox text = inkOf(shown, clearlyBlue);
        const InkBox shadow = inkOf(shown, clearlyRed);
        ASSERT_FALSE(text.empty());
        ASSERT_FALSE(shadow.empty());
        // The text covers part of its shadow; the shadow's edges on its own side stay uncovered
        // and lie `size` pixels beyond the text's, inside the label.
        if (row.dx < 0)
            EXPECT_EQ(shadow.left, text.left - size);
        else
            EXPECT_EQ(shadow.right, text.right + size);
        if (row.dy < 0)
            EXPECT_EQ(shadow.top, text.top - size);
        else
            EXPECT_EQ(shadow.bottom, text.bottom + size);
        if (row.alignment == taRightJustify) {
            EXPECT_GE(std::max(text.right, shadow.right), label->Width() - 4);
        } else if (row.alignment == taCenter) {
            EXPECT_NEAR((std::min(text.left, shadow.left) + std::max(text.right, shadow.right)) / 2.0,
                        (label->Width() - 1) / 2.0, 3.0);
        }

        // Without a shadow the text is drawn once, where a plain label draws it.
        label->SetShadowSize(0);
        const QImage single = grabControl(*label);
        EXPECT_TRUE(inkOf(single, clearlyRed).empty());
        plain->SetAutoSize(label->AutoSize());
        plain->SetBounds(0, 0, label->Width(), label->Height());
        plain->SetAlignment(label->Alignment());
        plain->SetColor(clWhite);
        EXPECT_EQ(inkOf(single, clearlyBlue), inkOf(grabControl(*plain), clearlyBlue));
    }
}

TEST(ShadowLabel, ADisabledLabelIsGreyWithAHighlightShadow)
{
    TForm form(nullptr);
    form.SetClientSize(300, 100);
    const auto makeLabel = [&](bool enabled) {
        auto* label = new TRxLabel(&form);
        label->SetParent(&form);
        label->SetAutoSize(false);
        label->SetBounds(0, enabled ? 0 : 40, 200, 30);
        label->SetColor(clBlack);
        label->Font()->SetHeight(-16);
        label->Font()->SetColor(clWhite);
        label->SetShadowColor(clRed);
        label->SetShadowSize(0);
        label->SetCaption("Pictavo");
        label->SetEnabled(enabled);
        return label;
    };
    TRxLabel* reference = makeLabel(true);
    TRxLabel* disabled = makeLabel(false);
    form.Show();
    const InkBox text = inkOf(grabControl(*reference), clearlyWhite);
    ASSERT_FALSE(text.empty());

    // Size 0: a one-pixel highlight down and to the right of the grey text.
    QImage shown = grabControl(*disabled);
    EXPECT_FALSE(inkOf(shown, clearlyGrey).empty());
    const InkBox highlight = inkOf(shown, clearlyWhite);
    EXPECT_EQ(highlight.right, text.right + 1);
    EXPECT_EQ(highlight.bottom, text.bottom + 1);

    // With a shadow of its own, the shadow takes the highlight colour in place of its colour.
    disabled->SetShadowSize(2);
    disabled->SetShadowPos(spLeftTop);
    shown = grabControl(*disabled);
    EXPECT_TRUE(inkOf(shown, clearlyRed).empty());
    EXPECT_EQ(inkOf(shown, clearlyWhite).left, text.left);
    EXPECT_EQ(inkOf(shown, clearlyGrey).right, text.right + 2);
}

// --- The scrolling panel ---

TEST(SecretPanel, LineHeightAndTextAreaFollowTheTextStyleAndTheBorders)
{
    struct Row {
        const char* name;
        TBevelCut textStyle;
        TBevelCut bevelInner;
        TBevelCut bevelOuter;
        int borderWidth;
        int lineHeight;
        TRect textArea;
    };
    const Row rows[] = {
        // The about box's panel: one lowered inner bevel, then 3 pixels of room.
        {"plain text, inner bevel", bvNone, bvLowered, bvNone, 0, 13, {4, 4, 196, 76}},
        {"raised text, outer bevel", bvRaised, bvNone, bvRaised, 0, 14, {4, 4, 196, 76}},
        {"lowered text, no bevel", bvLowered, bvNone, bvNone, 0, 14, {3, 3, 197, 77}},
        {"border and both bevels", bvNone, bvLowered, bvRaised, 2, 13, {7, 7, 193, 73}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PanelOnForm f;
        f.panel->SetTextStyle(row.textStyle);
        f.panel->SetBevelInner(row.bevelInner);
        f.panel->SetBevelOuter(row.bevelOuter);
        f.panel->SetBorderWidth(row.borderWidth);
        f.panel->SetActive(true);
        EXPECT_EQ(f.panel->LineHeight(), row.lineHeight);
        EXPECT_EQ(f.panel->TextArea(), row.textArea);
        // A new size while playing gives a new text area.
        f.panel->SetBounds(10, 10, 100, 50);
        EXPECT_EQ(f.panel->TextArea().right, row.textArea.right - 100);
        EXPECT_EQ(f.panel->TextArea().bottom, row.textArea.bottom - 30);
    }
    // A glyph takes its width or height and the margin from the text's side.
    PanelOnForm f;
    TBitmap glyph;
    glyph.SetWidth(10);
    glyph.SetHeight(8);
    f.panel->SetGlyph(&glyph);
    f.panel->SetGlyphLayout(glGlyphRight);
    f.panel->SetActive(true);
    EXPECT_EQ(f.panel->TextArea(), (TRect{4, 4, 196 - 13, 76}));
    f.panel->SetGlyphLayout(glGlyphTop);
    EXPECT_EQ(f.panel->TextArea(), (TRect{4, 4 + 11, 196, 76}));
}

TEST(SecretPanel, FourteenLinesOfThirteenPixelsStartOverAfter169Ticks)
{
    PanelOnForm f;
    TSecretPanel& panel = *f.panel;
    int stops = 0;
    panel.OnStopPlay = [&](TObject*) {
        EXPECT_FALSE(panel.ScrollTimer()->Enabled());
        ++stops;
    };
    panel.Lines()->SetStrings({"1", "", "3", "", "5", "", "7", "", "", "10", "11", "", "13", ""});
    panel.SetCycled(true);
    panel.SetInterval(120);
    panel.SetActive(true);
    ASSERT_EQ(panel.LineHeight(), 13);
    EXPECT_EQ(panel.Position(), 0);
    EXPECT_TRUE(panel.ScrollTimer()->Enabled());
    EXPECT_EQ(panel.ScrollTimer()->Interval(), 120u);
    // (14 - 1) × 13 = 169 one-pixel steps bring the last line to the top...
    tick(panel, 168);
    EXPECT_EQ(panel.Position(), 168);
    tick(panel);
    EXPECT_EQ(panel.Position(), 169);
    // ... and the next one starts over from the first line.
    tick(panel);
    EXPECT_EQ(panel.Position(), 0);
    tick(panel, 169);
    EXPECT_EQ(panel.Position(), 169);
    EXPECT_EQ(stops, 0);
    // New lines start the scroll over.
    TStringList other({"um", "dois", "três"});
    panel.SetLines(&other);
    EXPECT_EQ(panel.Position(), 0);
    tick(panel, 26);
    // Not cycled, the step after the last line reached the top stops the play.
    panel.SetCycled(false);
    EXPECT_EQ(panel.Position(), 26);
    tick(panel);
    EXPECT_FALSE(panel.Active());
    EXPECT_EQ(stops, 1);
}

TEST(SecretPanel, PlayHidesTheVisibleChildrenAndStopShowsThoseAgain)
{
    PanelOnForm f;
    TSecretPanel& panel = *f.panel;
    auto* shown = new TLabel(&f.form);
    shown->SetParent(&panel);
    auto* hidden = new TLabel(&f.form);
    hidden->SetParent(&panel);
    hidden->Hide();
    auto* button = new TButton(&f.form);
    button->SetParent(&panel);
    auto* freed = new TLabel(&f.form);
    freed->SetParent(&panel);
    std::vector<std::string> events;
    panel.OnStartPlay = [&](TObject*) {
        events.push_back(std::string("start, label ") + (shown->Visible() ? "shown" : "hidden"));
    };
    panel.OnStopPlay = [&](TObject*) {
        events.push_back(std::string("stop, label ") + (shown->Visible() ? "shown" : "hidden"));
    };
    f.form.Show();

    panel.SetActive(true);
    EXPECT_FALSE(shown->Visible());
    EXPECT_FALSE(button->Visible());
    EXPECT_FALSE(freed->Visible());
    delete freed;
    panel.SetActive(false);
    EXPECT_TRUE(shown->Visible());
    EXPECT_TRUE(button->Visible());
    EXPECT_FALSE(hidden->Visible());
    EXPECT_EQ(events, (std::vector<std::string>{"start, label shown", "stop, label hidden"}));

    // A stop handler that starts a new play keeps the children hidden until that one stops.
    panel.SetActive(true);
    panel.OnStopPlay = [&](TObject*) { panel.SetActive(true); };
    panel.SetActive(false);
    EXPECT_TRUE(panel.Active());
    EXPECT_FALSE(shown->Visible());
    panel.OnStopPlay = nullptr;
    panel.SetActive(false);
    EXPECT_TRUE(shown->Visible());
    EXPECT_TRUE(button->Visible());
}

TEST(SecretPanel, ScrollsTheTextUpAPixelATickInsideTheTextArea)
{
    PanelOnForm f;
    TSecretPanel& panel = *f.panel;
    panel.SetBevelOuter(bvNone);
    panel.SetColor(clWhite);
    panel.Font()->SetColor(clBlack);
    // Only the second line has ink: it starts 13 pixels down the text area {3, 3, 197, 77}.
    panel.Lines()->SetStrings({"", "Wy", "", "", "", "", "", ""});
    f.form.Show();
    panel.SetActive(true);
    const InkBox start = inkOf(grabControl(panel), notWhite);
    ASSERT_FALSE(start.empty());
    EXPECT_GE(start.top, 3 + 13);
    EXPECT_LT(start.bottom, 3 + 26);
    // Centred in the text area.
    EXPECT_NEAR((start.left + start.right) / 2.0, (3 + 196) / 2.0, 2.0);

    tick(panel, 5);
    EXPECT_EQ(inkOf(grabControl(panel), notWhite), start.shifted(0, -5));
    // Lines going out at the top are cut at the text area's edge.
    tick(panel, 15);
    const InkBox leaving = inkOf(grabControl(panel), notWhite);
    EXPECT_EQ(leaving.top, std::max(3, start.top - 20));
    EXPECT_EQ(leaving.bottom, start.bottom - 20);
    // Stopped, the panel is a plain panel again.
    panel.SetActive(false);
    EXPECT_TRUE(inkOf(grabControl(panel), notWhite).empty());
}

TEST(SecretPanel, TheHighlightCopyLiesUpLeftOfRaisedAndDownRightOfLoweredText)
{
    struct Row {
        const char* name;
        TBevelCut style;
        int textShift;  // from where an unstyled line is drawn, both ways
        int highlightShift;
    };
    const Row rows[] = {{"raised", bvRaised, 1, 0}, {"lowered", bvLowered, 0, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PanelOnForm f;
        TSecretPanel& panel = *f.panel;
        panel.SetBevelOuter(bvNone);
        panel.SetColor(clBlack);
        panel.SetAlignment(taLeftJustify);
        panel.Font()->SetHeight(-16);
        panel.Font()->SetColor(clRed);
        panel.Lines()->SetStrings({"Wy"});
        f.form.Show();
        panel.SetActive(true);
        const InkBox plain = inkOf(grabControl(panel), clearlyRed);
        ASSERT_FALSE(plain.empty());
        EXPECT_TRUE(inkOf(grabControl(panel), clearlyWhite).empty());

        panel.SetTextStyle(row.style);
        EXPECT_EQ(inkOf(grabControl(panel), clearlyRed), plain.shifted(row.textShift, row.textShift));
        // Text in the panel's colour leaves the highlight to be seen, but for where the text
        // covers it: the edges away from the text.
        panel.Font()->SetColor(clBlack);
        const InkBox highlight = inkOf(grabControl(panel), clearlyWhite);
        const InkBox expected = plain.shifted(row.highlightShift, row.highlightShift);
        if (row.style == bvRaised) {
            EXPECT_EQ(highlight.left, expected.left);
            EXPECT_EQ(highlight.top, expected.top);
        } else {
            EXPECT_EQ(highlight.right, expected.right);
            EXPECT_EQ(highlight.bottom, expected.bottom);
        }
    }
}

TEST(SecretPanel, ActiveInADesignStartsWithTheDesignedSizeAndFont)
{
    RegisterViewerClasses();
    TForm form(nullptr);
    ReadDesignText(form,
                   R"({"class": "TForm", "components": [{"class": "TSecretPanel", "name": "P", "properties": {
                        "Width": 120, "Height": 40, "BevelOuter": "bvNone", "Active": true, "Interval": 50,
                        "Font": {"Name": "MS Sans Serif", "Height": -11}, "Lines": ["a", "b"]}}]})",
                   {}, "test");
    auto* panel = dynamic_cast<TSecretPanel*>(form.FindComponent("P"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->Active());
    EXPECT_EQ(panel->TextArea(), (TRect{3, 3, 117, 37}));
    EXPECT_EQ(panel->LineHeight(), 13);
    EXPECT_TRUE(panel->ScrollTimer()->Enabled());
    EXPECT_EQ(panel->Interval(), 50u);
}

// --- The about box ---

namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    AboutBoxTest()
    {
        application.SetTitle(ViewerTitle);
        RegisterViewerClasses();
        box = std::make_unique<TSobre>(nullptr);
        panel = box->SecretPanel;
    }

    // Opens the box modally, runs the steps inside its message loop, and returns its result. The
    // box is closed with mrAbort should the steps leave it open.
    TModalResult open(const std::function<void()>& steps)
    {
        QTimer::singleShot(0, [this, steps] {
            steps();
            if (box->Visible() && box->ModalResult() == mrNone)
                box->SetModalResult(mrAbort);
        });
        return box->ShowModal();
    }

    void doubleClickPicture()
    {
        QTest::mouseDClick(box->ProgramIcon->Widget(), Qt::LeftButton, {}, QPoint(45, 50));
    }

    TApplication application;
    std::unique_ptr<TSobre> box;
    TSecretPanel* panel = nullptr;
};

} // namespace

TEST_F(AboutBoxTest, ThePictureAndLabelsShareThePanelWithoutOverlapping)
{
    TImage* picture = box->ProgramIcon;
    EXPECT_FALSE(picture->Picture()->Graphic() == nullptr);
    EXPECT_EQ(picture->Picture()->Width(), 90);
    EXPECT_EQ(picture->Picture()->Height(), 107);
    TRect inside = box->Panel1->ClientRect();
    box->Panel1->AdjustClientRect(inside);
    const TRxLabel* labels[] = {box->RxLabel1, box->RxLabel2, box->RxLabel3,
                                box->RxLabel4, box->RxLabel5, box->RxLabel6};
    for (const TRxLabel* label : labels) {
        SCOPED_TRACE(label->Name());
        // Sized to the text with this platform's fonts, the labels keep to the panel's inside and
        // clear of the picture.
        const TRect r = label->BoundsRect();
        EXPECT_EQ(r.intersected(inside), r);
        EXPECT_TRUE(r.intersected(picture->BoundsRect()).isEmpty());
    }
    // The scrolling panel, when shown, covers the two lower labels.
    EXPECT_EQ(panel->BoundsRect().intersected(box->RxLabel6->BoundsRect()), box->RxLabel6->BoundsRect());
    EXPECT_EQ(panel->BoundsRect().intersected(box->RxLabel4->BoundsRect()), box->RxLabel4->BoundsRect());
}

TEST_F(AboutBoxTest, ADoubleClickOnThePictureUncoversTheScrollAndTheNextOpeningStartsWithoutIt)
{
    TTimer* timer = panel->ScrollTimer();
    EXPECT_EQ(open([&] {
                  EXPECT_FALSE(panel->Visible());
                  EXPECT_FALSE(panel->Active());
                  doubleClickPicture();
                  EXPECT_TRUE(panel->Showing());
                  EXPECT_TRUE(panel->Active());
                  EXPECT_TRUE(timer->Enabled());
                  EXPECT_EQ(timer->Interval(), 120u);
                  const int before = panel->Position();
                  tick(*panel, 40);
                  EXPECT_EQ(panel->Position(), before + 40);
                  // The panel shows over the two lower labels.
                  const QImage shown = grabControl(*box->Panel1);
                  const TRect covered = box->RxLabel6->BoundsRect();
                  EXPECT_EQ(pixelAt(shown, covered.right - 1, covered.top + 1), (Rgb{255, 255, 225}));
                  QTest::mouseClick(box->OKButton->Widget(), Qt::LeftButton);
              }),
              mrOk);
    EXPECT_FALSE(box->Visible());
    EXPECT_FALSE(panel->Visible());
    EXPECT_FALSE(panel->Active());
    EXPECT_FALSE(timer->Enabled());

    // Opened again: the panel is hidden until the next double click; the window's close box
    // covers it again too.
    EXPECT_EQ(open([&] {
                  EXPECT_FALSE(panel->Visible());
                  EXPECT_FALSE(panel->Active());
                  doubleClickPicture();
                  EXPECT_TRUE(panel->Active());
                  box->Close();
              }),
              mrCancel);
    EXPECT_FALSE(panel->Visible());
    EXPECT_FALSE(panel->Active());
}
