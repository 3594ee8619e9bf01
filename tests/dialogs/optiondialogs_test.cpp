#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dialogs/dialogs.h"
#include "platform/message.h"

namespace vantrel {
namespace {

DialogFields opened(const Dialog& d, const State& s) {
    DialogFields f;
    d.init(s, f);
    return f;
}

// Checks one button of a group as the user would, clearing the others.
void choose(DialogFields& f, int first, int last, int id) {
    f.checkradio(first, last, id);
}

// Checks the button of a method in the outside or inside dialog.
void chooseoutside(DialogFields& f, int method) {
    choose(f, firstradio::outside, firstradio::outside + outside::count - 1,
           firstradio::outside + method);
}
void chooseinside(DialogFields& f, int method) {
    choose(f, firstradio::inside, firstradio::inside + inside::count - 1,
           firstradio::inside + method);
}

TEST(DialogTables, TitlesIdsAndButtonsAreThoseTheProgramNames) {
    const struct {
        int id;
        const char* title;
        const char* errortitle;
    } dialogs[] = {
        {200, "Select the Fractal Type", ""},
        {300, " Fractal Parameters", "Parameter Error"},
        {400, "Select the Coloring Method", ""},
        {500, "Select the Outside Coloring Method", "Incompatibility"},
        {600, "Select the Inside Coloring Method", "Incompatibility"},
        {700, "    Choose Colors ( 0 - 255 )", "Parameter Error"},
        {800, "    Choose Period ( 1 - 64 )", "Parameter Error"},
        {900, "Select the Background", ""},
        {1000, "    External Ray Options", "Parameter Error"},
    };
    for (const auto& d : dialogs) {
        const Dialog* dialog = finddialog(d.id);
        ASSERT_NE(dialog, nullptr) << d.id;
        const DialogTable& t = *dialog->table;
        EXPECT_EQ(t.title, d.title);
        EXPECT_EQ(t.errortitle, d.errortitle);
        EXPECT_EQ(t.font, "MS Sans Serif");
        std::set<int> ids;
        for (const DialogControl& c : t.controls) {
            if (c.id != nocontrol) {
                EXPECT_TRUE(ids.insert(c.id).second) << d.id << " twice " << c.id;
            }
            // Everything stands inside the dialog, and in its group box.
            EXPECT_GE(c.box.left, 0);
            EXPECT_LE(c.box.right, t.width) << d.id << " " << c.id;
            EXPECT_LE(c.box.bottom, t.height) << d.id << " " << c.id;
            if (c.group != 0) {
                const DialogControl* g = t.find(c.group);
                ASSERT_NE(g, nullptr);
                EXPECT_EQ(g->kind, ControlKind::group);
                EXPECT_GE(c.box.top, g->box.top) << d.id << " " << c.id;
                EXPECT_LE(c.box.bottom, g->box.bottom) << d.id << " " << c.id;
            }
        }
        // OK and Cancel close the tab order.
        ASSERT_GE(t.controls.size(), 2u);
        EXPECT_EQ(t.controls[t.controls.size() - 2].id, dialogok);
        EXPECT_EQ(t.controls.back().id, dialogcancel);
        EXPECT_EQ(t.controls.back().text, "Cancel");
    }
    EXPECT_EQ(finddialog(100), nullptr);
}

TEST(DialogTables, MethodDialogsListEveryMethodInValueOrder) {
    const DialogTable& out = *OutsideDialogProc.table;
    const DialogTable& in = *InsideDialogProc.table;
    for (int v = 0; v < 19; ++v) {
        const DialogControl* c = out.find(520 + v);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, ControlKind::radio);
        EXPECT_EQ(c->text, outsidenames[v]);
        EXPECT_EQ(c->group, 510);
    }
    for (int v = 0; v < 15; ++v) {
        const DialogControl* c = in.find(620 + v);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->text, insidenames[v]);
    }
    EXPECT_EQ(out.find(539), nullptr);
    EXPECT_EQ(in.find(635), nullptr);
    EXPECT_EQ(out.find(524)->text, "Equipotential Lines");
    EXPECT_EQ(in.find(634)->text, "Distance Estimator");

    const DialogTable& rays = *RaysDialogProc.table;
    // Edit fields are visited in the order OK checks them.
    std::vector<int> edits;
    for (const auto& c : rays.controls)
        if (c.kind == ControlKind::edit) edits.push_back(c.id);
    EXPECT_EQ(edits, (std::vector<int>{1050, 1060, 1070, 1080, 1090}));
    std::vector<int> params;
    for (const auto& c : ParamDialogProc.table->controls)
        if (c.kind == ControlKind::edit) params.push_back(c.id);
    ASSERT_EQ(params.size(), 15u);
    for (int k = 0; k < 15; ++k) EXPECT_EQ(params[k], 305 + 5 * k);
    EXPECT_EQ(ParamDialogProc.table->find(355)->text, "exp (z^exp + c):");
}

TEST(RadioDialogs, OpenOnTheCurrentValueAndStoreTheChosenOne) {
    State s;
    s.plbkgd = plotbackground::darkgradient;
    DialogFields f = opened(BkgdDialogProc, s);
    EXPECT_FALSE(f.ischecked(920));
    EXPECT_TRUE(f.ischecked(921));
    choose(f, 920, 921, 920);
    EXPECT_TRUE(BkgdDialogProc.ok(s, f).accepted());
    EXPECT_EQ(s.plbkgd, plotbackground::white);

    DialogFields t = opened(TypeDialogProc, s);
    choose(t, 220, 221, 221);
    TypeDialogProc.ok(s, t);
    EXPECT_EQ(s.ftype, settype::julia);

    // A value with no button of its own opens with none checked and survives OK.
    s.outside = outside::orbittracing;
    DialogFields o = opened(OutsideDialogProc, s);
    for (int id = 0; id < outside::count; ++id) EXPECT_FALSE(o.ischecked(firstradio::outside + id));
    EXPECT_TRUE(OutsideDialogProc.ok(s, o).accepted());
    EXPECT_EQ(s.outside, outside::orbittracing);
}

TEST(MethodDialogs, SpeciesAndCardioidRefuseInsideTia) {
    State s;
    s.inside = inside::tia;
    DialogFields f = opened(OutsideDialogProc, s);
    chooseoutside(f, outside::cardioid);
    const DialogCheck r = OutsideDialogProc.ok(s, f);
    EXPECT_EQ(r.error, 12);
    EXPECT_EQ(r.message, "Species of Origin and Cardioid are\n\n   incompatible with inside TIA.");
    EXPECT_EQ(s.outside, outside::cardioid);  // stored before the check, kept by a Cancel
    EXPECT_EQ(OutsideDialogProc.table->errortitle, "Incompatibility");

    State t;
    t.outside = outside::speciesoforigin;
    DialogFields g = opened(InsideDialogProc, t);
    chooseinside(g, inside::tia);
    EXPECT_EQ(InsideDialogProc.ok(t, g).error, 12);
    EXPECT_EQ(t.inside, inside::tia);

    // Other pairs pass.
    State u;
    u.inside = inside::tia;
    DialogFields h = opened(OutsideDialogProc, u);
    chooseoutside(h, outside::nplusrealz);
    EXPECT_TRUE(OutsideDialogProc.ok(u, h).accepted());
}

TEST(MethodDialogs, DistanceEstimatorAdvisoryComesOncePerRun) {
    State s;
    DialogFields f = opened(InsideDialogProc, s);
    chooseinside(f, inside::distanceestimator);
    const DialogCheck first = InsideDialogProc.ok(s, f);
    ASSERT_TRUE(first.accepted());
    ASSERT_EQ(first.notices.size(), 1u);
    EXPECT_EQ(first.notices[0].title, "DEM Advisory");
    EXPECT_EQ(first.notices[0].text,
              "For distance estimator inside coloring, a maximum iteration value\n"
              "   considerably less than 100 is recommended to start with.\n\n"
              "The value will be set to 64, this time only.");
    EXPECT_EQ(s.maxiter, 64);
    EXPECT_EQ(s.demadvisory, 0);

    s.maxiter = 500;
    const DialogCheck second = InsideDialogProc.ok(s, opened(InsideDialogProc, s));
    EXPECT_TRUE(second.notices.empty());
    EXPECT_EQ(s.maxiter, 500);

    // Refused by the cross-check: no advisory yet.
    State t;
    t.outside = outside::cardioid;
    DialogFields g = opened(InsideDialogProc, t);
    chooseinside(g, inside::tia);
    InsideDialogProc.ok(t, g);
    EXPECT_EQ(t.demadvisory, 1);
}

TEST(MethodDialogs, OutsideAndInsideChoicesBringTheirOwnSettingsNext) {
    State s;
    const struct {
        int dialog, outside, inside, post;
    } cases[] = {
        {dialogid::outside, outside::solidcolor, inside::abszxabszy, cmd::colors},
        {dialogid::outside, outside::fieldlines, inside::solidcolor, cmd::period},
        {dialogid::outside, outside::equipotentiallines, inside::solidcolor, cmd::background},
        {dialogid::outside, outside::levelsets, inside::solidcolor, 0},
        {dialogid::outside, outside::distanceestimator, inside::solidcolor, 0},
        {dialogid::inside, outside::levelsets, inside::solidcolor, cmd::colors},
        {dialogid::inside, outside::solidcolor, inside::zmag, 0},
        {dialogid::inside, outside::fieldlines, inside::distanceestimator, 0},
        {dialogid::method, outside::solidcolor, inside::solidcolor, 0},
    };
    for (const auto& c : cases) {
        s.outside = c.outside;
        s.inside = c.inside;
        EXPECT_EQ(followup(c.dialog, s), c.post) << c.dialog << " " << c.outside << " " << c.inside;
    }
}

TEST(RaysDialog, DenominatorFirstThenNumeratorThenColors) {
    State s;
    s.rray = 1;
    DialogFields f = opened(RaysDialogProc, s);
    EXPECT_EQ(f.gettext(1050), "0");
    EXPECT_EQ(f.gettext(1060), "0");
    EXPECT_EQ(f.gettext(1070), "1");
    EXPECT_TRUE(f.ischecked(1095));

    auto press = [&](const char* n, const char* d, const char* red) {
        DialogFields g = opened(RaysDialogProc, s);
        g.text[1050] = n;
        g.text[1060] = d;
        g.text[1070] = red;
        choose(g, 1095, 1096, 1096);
        return RaysDialogProc.ok(s, g);
    };
    DialogCheck r = press("-1", "0", "0");
    EXPECT_EQ(r.error, 11);
    EXPECT_EQ(r.message, "denominator range: 1 - 256");
    EXPECT_EQ(r.focus, 1060);
    EXPECT_EQ(press("x", "257", "0").error, 11);
    r = press("3", "3", "0");
    EXPECT_EQ(r.error, 10);
    EXPECT_EQ(r.message, "numerator range: 0 - (denominator - 1)");
    EXPECT_EQ(r.focus, 1050);
    EXPECT_EQ(press("abc", "3", "0").error, 10);
    EXPECT_EQ(s.den, 0);
    EXPECT_EQ(s.raymode, raymode::single);

    // N and D pass and stay stored when a color fails; the color changes not at all.
    r = press("1", "3", "300");
    EXPECT_EQ(r.error, 8);
    EXPECT_EQ(r.message, "color range: 0 - 255");
    EXPECT_EQ(r.focus, 1070);
    EXPECT_EQ(s.num, 1);
    EXPECT_EQ(s.den, 3);
    EXPECT_EQ(s.raymode, raymode::all);
    EXPECT_EQ(s.rray, 1);

    DialogFields g = opened(RaysDialogProc, s);
    g.text[1050] = "255";
    g.text[1060] = "256";
    g.text[1070] = "10";
    g.text[1080] = "255";
    g.text[1090] = "0";
    ASSERT_TRUE(RaysDialogProc.ok(s, g).accepted());
    EXPECT_EQ(s.num, 255);
    EXPECT_EQ(s.den, 256);
    EXPECT_EQ(s.rray, 10);
    EXPECT_EQ(s.gray, 255);
    EXPECT_EQ(s.bray, 0);

    g.text[1090] = "256";
    EXPECT_EQ(RaysDialogProc.ok(s, g).focus, 1090);
    EXPECT_EQ(s.rray, 10);
}

TEST(PeriodDialog, AcceptsOneToSixtyFour) {
    State s;
    DialogFields f = opened(PeriodDialogProc, s);
    EXPECT_EQ(f.gettext(840), "15");
    EXPECT_TRUE(f.ischecked(850));
    f.text[840] = "64";
    choose(f, 850, 851, 851);
    ASSERT_TRUE(PeriodDialogProc.ok(s, f).accepted());
    EXPECT_EQ(s.period, 64);
    EXPECT_EQ(s.mapping, fieldmapping::radialreflected);

    for (const char* bad : {"65", "0", "12abc", ""}) {
        f.text[840] = bad;
        choose(f, 850, 851, 850);
        const DialogCheck r = PeriodDialogProc.ok(s, f);
        EXPECT_EQ(r.error, 9) << bad;
        EXPECT_EQ(r.message, "period range: 1 - 64");
        EXPECT_EQ(s.period, 64);
        EXPECT_EQ(s.mapping,
                  fieldmapping::radialreflected);  // the mapping waits for a valid period
    }
}

TEST(ColorsDialog, StoresEachComponentUntilTheFirstBadOne) {
    State s;
    DialogFields f = opened(ColorsDialogProc, s);
    EXPECT_EQ(f.gettext(730), "0");
    EXPECT_EQ(f.gettext(780), "255");
    f.text[730] = "10";
    f.text[740] = "20";
    f.text[750] = "256";
    f.text[760] = "1";
    const DialogCheck r = ColorsDialogProc.ok(s, f);
    EXPECT_EQ(r.error, 8);
    EXPECT_EQ(r.focus, 750);
    EXPECT_EQ(s.rin, 10);
    EXPECT_EQ(s.gin, 20);
    EXPECT_EQ(s.bin, 0);
    EXPECT_EQ(s.rout, 255);

    f.text[750] = "30";
    f.text[780] = "-1";
    EXPECT_EQ(ColorsDialogProc.ok(s, f).focus, 780);
    EXPECT_EQ(s.bin, 30);
    EXPECT_EQ(s.rout, 1);
    f.text[780] = "0";
    EXPECT_TRUE(ColorsDialogProc.ok(s, f).accepted());
    EXPECT_EQ(s.bout, 0);
}

TEST(BoundDialog, OkWorksOnTheStateItWasOpenedOn) {
    State s;
    BoundDialog b = binddialog(s, PeriodDialogProc);
    EXPECT_EQ(b.table->id, 800);
    EXPECT_EQ(b.fields.gettext(840), "15");
    b.fields.text[840] = "21";
    EXPECT_TRUE(b.ok(b.fields).accepted());
    EXPECT_EQ(s.period, 21);
}

}  // namespace
}  // namespace vantrel
