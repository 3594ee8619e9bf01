#include "state/history.h"

#include <gtest/gtest.h>

#include "fakehost.h"

namespace vantrel {
namespace {

class History : public ::testing::Test {
  protected:
    History() { seedhistory(app.s); }
    // A zoom as the window makes it: push the box, then draw it.
    void zoom(double w) {
        pushview(app.s, -w, w, -w, w);
        showhistory(app);
    }
    FakeHost host;
    App app{host};
};

TEST_F(History, SeededHomeViews) {
    const FRACTAL m = app.s.z[0][0], j = app.s.z[1][0];
    EXPECT_EQ(m, (FRACTAL{-2.25, 0.75, -1.5, 1.5, 256, 16.0, 0.32, 0.043, 0, 1}));
    EXPECT_EQ(j, (FRACTAL{-2.25, 2.25, -2.25, 2.25, 256, 16.0, 0.32, 0.043, 0, 1}));
    showhistory(app);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 1 / 1");
    app.s.ftype = settype::julia;
    LoadParams(app);
    EXPECT_EQ(host.laststatus(1), "      current J-set: 1 / 1");
    EXPECT_EQ(app.s.xmin, -2.25);
    EXPECT_EQ(app.s.jymax, 2.25);
}

TEST_F(History, FiftyViewsAtMost) {
    for (int k = 1; k <= 49; ++k) zoom(1.0 / k);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 50 / 50");
    zoom(1e-3);  // drawn, not remembered
    EXPECT_EQ(host.laststatus(1), "      current M-set: 50 / 50");
    EXPECT_EQ(app.s.z[0][49].xmax, 1.0 / 49);
    app.s.zct[0] -= 1;
    LoadParams(app);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 49 / 50");
    EXPECT_EQ(app.s.xmax, 1.0 / 48);
    EXPECT_EQ(app.s.mxmax, 1.0 / 48);
}

TEST_F(History, ZoomAfterGoingBackForgetsTheViewsAhead) {
    for (int k = 1; k <= 4; ++k) zoom(1.0 / k);  // position 5 of 5
    app.s.zct[0] = 2;                            // back twice: 3 of 5
    LoadParams(app);
    zoom(0.125);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 4 / 4");
    EXPECT_EQ(app.s.z[0][3].xmax, 0.125);
}

TEST_F(History, LoadParamsRestoresTheViewNotTheRest) {
    app.s.maxiter = 1000;
    app.s.maxsize = 100;
    app.s.inside = inside::bof34;
    app.s.outside = outside::binarydecomposition;
    app.s.jcx = 0.5;
    zoom(1);
    app.s.maxiter = 50;
    app.s.outside = outside::smoothing;
    app.s.exponent = 7;
    app.s.palette[3] = {1, 2, 3};
    app.s.zct[0] = 1;
    LoadParams(app);
    EXPECT_EQ(app.s.maxiter, 1000);
    EXPECT_EQ(app.s.maxsize, 100);
    EXPECT_EQ(app.s.inside, inside::bof34);
    EXPECT_EQ(app.s.outside, outside::binarydecomposition);
    EXPECT_EQ(app.s.jcx, 0.5);
    EXPECT_EQ(app.s.exponent, 7);
    EXPECT_EQ(app.s.palette[3][2], 3);
    app.s.zct[0] = 0;
    LoadParams(app);
    EXPECT_EQ(app.s.maxiter, 256);
    EXPECT_EQ(app.s.outside, outside::levelsets);
}

TEST_F(History, EachSetTypeKeepsItsOwn) {
    zoom(1);
    zoom(0.5);
    app.s.ftype = settype::julia;
    zoom(2);
    EXPECT_EQ(host.laststatus(1), "      current J-set: 2 / 2");
    EXPECT_EQ(app.s.zct[0], 2);
    EXPECT_EQ(app.s.zctmax[0], 2);
    EXPECT_EQ(app.s.z[1][1].xmax, 2);
}

}  // namespace
}  // namespace vantrel
