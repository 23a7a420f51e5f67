#include "fakes/ManualTimer.h"
#include "status/StatusLine.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace orvanel;
using namespace orvanel::test;

namespace {

// The caption, with every text ever written to it.
struct Label
{
    std::vector<std::string> writes;
    std::function<void(const std::string&)> setter()
    {
        return [this](const std::string& t) { writes.push_back(t); };
    }
    std::string text() const { return writes.empty() ? std::string() : writes.back(); }
};

struct StatusLineTest : ::testing::Test
{
    ManualTimer timer;
    Label label;
};

} // namespace

TEST_F(StatusLineTest, ClearsFiveSecondsAfterPost)
{
    StatusLine status(label.setter(), timer);
    status.showStatus("Conexión Establecida");
    EXPECT_EQ(label.text(), "Conexión Establecida");
    EXPECT_TRUE(timer.isActive());
    timer.advance(4999);
    EXPECT_EQ(label.text(), "Conexión Establecida");
    timer.advance(1);
    EXPECT_EQ(label.text(), "");
    EXPECT_FALSE(timer.isActive());
}

TEST_F(StatusLineTest, SecondPostRestartsTheDelay)
{
    StatusLine status(label.setter(), timer);
    status.showStatus("Transponder ID =  1");
    timer.advance(3000);
    status.showStatus("Transponder ID =  2");
    timer.advance(4999); // 7999 ms after the first post
    EXPECT_EQ(label.text(), "Transponder ID =  2");
    timer.advance(1);
    EXPECT_EQ(label.text(), "");
}

TEST_F(StatusLineTest, SamePostTwiceRestartsWithoutFlicker)
{
    StatusLine status(label.setter(), timer);
    status.showStatus("Puerto cerrado");
    timer.advance(4000);
    status.showStatus("Puerto cerrado");
    // Only ever the same text written: never an empty caption in between.
    EXPECT_EQ(label.writes, (std::vector<std::string>{"Puerto cerrado", "Puerto cerrado"}));
    timer.advance(4000);
    EXPECT_EQ(label.text(), "Puerto cerrado");
    timer.advance(1000);
    EXPECT_EQ(label.text(), "");
}

TEST_F(StatusLineTest, StaysEmptyAfterTheTick)
{
    StatusLine status(label.setter(), timer, 100);
    status.showStatus("Error de Comunicación");
    timer.advance(100);
    const auto writes = label.writes.size();
    timer.advance(1000000);
    EXPECT_EQ(label.writes.size(), writes);
    EXPECT_EQ(status.caption(), "");
    EXPECT_FALSE(timer.isActive());
}

TEST_F(StatusLineTest, LastingTextsComeBackByRank)
{
    StatusLine status(label.setter(), timer, 100);
    // Set while nothing is shown: it shows at once.
    status.setBackgroundStatus("Error en el registro");
    EXPECT_EQ(label.text(), "Error en el registro");
    // A message covers it for its time only.
    status.showStatus("Transponder ID =  5");
    timer.advance(100);
    EXPECT_EQ(label.text(), "Error en el registro");
    // The standing text outranks it, set during a message or not, and gives way to it again.
    status.showStatus("Transponder ID =  6");
    status.setStandingStatus("Error de Comunicación");
    EXPECT_EQ(label.text(), "Transponder ID =  6");
    timer.advance(100);
    EXPECT_EQ(label.text(), "Error de Comunicación");
    status.setBackgroundStatus("Error en el registro de pasadas");
    EXPECT_EQ(label.text(), "Error de Comunicación");
    status.setStandingStatus({});
    EXPECT_EQ(label.text(), "Error en el registro de pasadas");
    status.setBackgroundStatus({});
    EXPECT_EQ(status.caption(), "");
    EXPECT_FALSE(timer.isActive());
}
