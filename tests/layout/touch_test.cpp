// Touch and mouse on the keypad button: each touch point is a press of its
// own, a key clicks when the point that pressed it lifts inside it, and a
// press that slides off shows the key unpressed at once.
#include <gtest/gtest.h>

#include <QMap>
#include <QPointingDevice>
#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

#include "GuiTestSupport.h"
#include "orv00006/dll/BlendedBitBtn.h"

namespace {

enum Where { Key1, Key2, Outside };
struct Step {
    char op;  // 'p' press, 'm' move, 'r' release
    int point;
    Where where;
    const char* down;  // afterwards: key 1 and key 2, 'D' pressed or '.'
};
struct TouchCase {
    const char* name;
    std::vector<Step> steps;
    const char* typed;  // captions of the clicks, in order
    bool key2Disabled = false;
};

const TouchCase kCases[] = {
    {"tap", {{'p', 1, Key1, "D."}, {'r', 1, Key1, ".."}}, "1"},
    {"slide_off_shows_up_at_once_and_types_nothing",
     {{'p', 1, Key1, "D."}, {'m', 1, Outside, ".."}, {'r', 1, Outside, ".."}},
     ""},
    {"slide_off_and_back_types",
     {{'p', 1, Key1, "D."}, {'m', 1, Outside, ".."}, {'m', 1, Key1, "D."}, {'r', 1, Key1, ".."}},
     "1"},
    {"slide_onto_another_key_types_neither", {{'p', 1, Key1, "D."}, {'m', 1, Key2, ".."}, {'r', 1, Key2, ".."}}, ""},
    {"two_fingers_type_both_in_the_order_they_lift",
     {{'p', 1, Key1, "D."}, {'p', 2, Key2, "DD"}, {'r', 2, Key2, "D."}, {'r', 1, Key1, ".."}},
     "21"},
    {"rolling", {{'p', 1, Key1, "D."}, {'p', 2, Key2, "DD"}, {'r', 1, Key1, ".D"}, {'r', 2, Key2, ".."}}, "12"},
    {"second_finger_on_the_same_key_is_not_a_press",
     {{'p', 1, Key1, "D."}, {'p', 2, Key1, "D."}, {'r', 2, Key1, "D."}, {'r', 1, Key1, ".."}},
     "1"},
    {"disabled_key_ignores_touch", {{'p', 1, Key2, ".."}, {'r', 1, Key2, ".."}}, "", true},
};

class KeypadTouch : public ::testing::TestWithParam<TouchCase> {
protected:
    // Keys take touch only once a touch screen is known: registered before
    // they are made, as a till's screen is before its first dialog.
    static QPointingDevice* Screen() {
        static QPointingDevice* const screen = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
        return screen;
    }
    void SetUp() override {
        Screen();
        pad_ = std::make_unique<QWidget>();
        pad_->resize(200, 90);
        for (int i = 0; i < 2; ++i) {
            auto* k = new dll::TBlendedBitBtn(pad_.get());
            k->setGeometry(10 + 90 * i, 10, 70, 46);
            k->SetCaption(QString::number(i + 1));
            QObject::connect(k, &dll::TBlendedBitBtn::OnClick, k,
                             [this](QObject* s) { typed_ += static_cast<dll::TBlendedBitBtn*>(s)->Caption(); });
            keys_[i] = k;
        }
        pad_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pad_.get()));
    }
    void TearDown() override {
        pad_.reset();
        ExpectNoTopLevelWidgetsLeft();
    }
    QPoint At(Where w) const { return w == Outside ? QPoint(90, 75) : keys_[w]->geometry().center(); }
    QString Down() const {
        QString s;
        for (auto* k : keys_) s += k->Down() ? QLatin1Char('D') : QLatin1Char('.');
        return s;
    }

    std::unique_ptr<QWidget> pad_;
    dll::TBlendedBitBtn* keys_[2] = {};
    QString typed_;
};

TEST_P(KeypadTouch, EveryPointIsAPressOfItsOwn) {
    QPointingDevice* const screen = Screen();
    const TouchCase& c = GetParam();
    keys_[1]->setEnabled(!c.key2Disabled);
    // As a touch screen reports them: every event carries every point that
    // is down, the ones that did not move among them (at their place).
    QMap<int, QPoint> held;
    int n = 0;
    for (const Step& s : c.steps) {
        auto seq = QTest::touchEvent(pad_.get(), screen);
        for (auto it = held.cbegin(); it != held.cend(); ++it)
            if (it.key() != s.point) seq.move(it.key(), it.value(), pad_.get());
        if (s.op == 'p') seq.press(s.point, At(s.where), pad_.get());
        if (s.op == 'm') seq.move(s.point, At(s.where), pad_.get());
        if (s.op == 'r') seq.release(s.point, At(s.where), pad_.get());
        if (s.op == 'r')
            held.remove(s.point);
        else
            held[s.point] = At(s.where);
        seq.commit();
        EXPECT_EQ(Down(), QLatin1String(s.down)) << "after step " << n;
        ++n;
    }
    EXPECT_EQ(typed_, QLatin1String(c.typed));
}

INSTANTIATE_TEST_SUITE_P(Rows, KeypadTouch, ::testing::ValuesIn(kCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

// The mouse behaves the same way: the key comes up the moment the pointer
// leaves it, goes down again when it comes back, and clicks only inside.
TEST(KeypadMouse, SlidingOffShowsTheKeyUpAtOnce) {
    QWidget pad;
    pad.resize(100, 80);
    auto* k = new dll::TBlendedBitBtn(&pad);
    k->setGeometry(10, 10, 70, 46);
    int clicks = 0;
    QObject::connect(k, &dll::TBlendedBitBtn::OnClick, k, [&clicks] { ++clicks; });
    pad.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pad));
    QTest::mousePress(k, Qt::LeftButton, {}, QPoint(35, 23));
    EXPECT_TRUE(k->Down());
    QTest::mouseMove(k, QPoint(90, 23));
    EXPECT_FALSE(k->Down());
    QTest::mouseMove(k, QPoint(30, 20));
    EXPECT_TRUE(k->Down());
    QTest::mouseRelease(k, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(k->focusPolicy(), Qt::NoFocus);
}

}  // namespace
