// The built module as a browser drives it: entry points, NPP_New's checks and refusals, the
// record's life, plug-in variables, window geometry, streams, instances without a record, and
// many instances on one page. Each test ends with the stand-in browser's report clean.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "nativeui/CALayer.h"
#include "nativeui/NSSecureTextField.h"
#include "plugin_state/PluginObject.h"
#include "shell/MyWindow.h"
#include "tests/support/password_decoder.h"
#include "tests/support/plugin_fixture.h"

namespace {

using npapibrowser::Answer;
using npapibrowser::Page;
using npapibrowser::PageOptions;
using npapibrowser::TestPageOptions;

PluginObject* recordOf(Page* page) { return static_cast<PluginObject*>(page->npp()->pdata); }

class Lifecycle : public PluginTest {};

// ---- Module entry points -----------------------------------------------------------------

TEST_F(Lifecycle, EntryPointsFillOnlyTheirEntries) {
  const NPPluginFuncs& funcs = browser_.pluginFuncs();
  const NPPluginFuncs preset = npapibrowser::Browser::presetPluginFuncs();
  EXPECT_EQ(funcs.version, 8);
  EXPECT_EQ(funcs.size, sizeof(NPPluginFuncs));
  for (const void* entry :
       {(const void*)funcs.newp, (const void*)funcs.destroy, (const void*)funcs.setwindow,
        (const void*)funcs.newstream, (const void*)funcs.destroystream, (const void*)funcs.asfile,
        (const void*)funcs.writeready, (const void*)funcs.write, (const void*)funcs.print,
        (const void*)funcs.event, (const void*)funcs.urlnotify, (const void*)funcs.getvalue,
        (const void*)funcs.setvalue}) {
    EXPECT_NE(entry, nullptr);
  }
  // javaClass and every entry after setvalue stay as the browser set them.
  EXPECT_EQ(funcs.javaClass, preset.javaClass);
  EXPECT_EQ(funcs.gotfocus, preset.gotfocus);
  EXPECT_EQ(funcs.lostfocus, preset.lostfocus);
  EXPECT_EQ(funcs.urlredirectnotify, preset.urlredirectnotify);
  EXPECT_EQ(funcs.clearsitedata, preset.clearsitedata);
  EXPECT_EQ(funcs.getsiteswithdata, preset.getsiteswithdata);
  EXPECT_EQ(browser_.initializeResult(), NPERR_NO_ERROR);
  EXPECT_EQ(browser_.getEntryPointsResult(), NPERR_NO_ERROR);
  browser_.unload();
  EXPECT_EQ(browser_.shutdownResult(), NPERR_NO_ERROR);
  EXPECT_TRUE(browser_.lastReport().clean()) << browser_.lastReport().text;
}

// The tables are handed over in blocks of exactly their size: the sanitizer catches any access past
// them.
TEST_F(Lifecycle, TablesMissingOrTooShortAreRefusedAndShortOnesUsedWithinTheirSize) {
  browser_.unload();
  const std::size_t browserNeeded = offsetof(NPNetscapeFuncs, releasevariantvalue) + 8;
  const std::size_t pluginNeeded = offsetof(NPPluginFuncs, setvalue) + 8;
  struct Refusal {
    const char* what;
    bool atInitialize;  // refused by NP_Initialize, else by NP_GetEntryPoints
    npapibrowser::TableOptions tables;
  };
  Refusal refusals[] = {{"no browser table", true, {}},
                        {"a browser table without releasevariantvalue", true, {}},
                        {"no plug-in table", false, {}},
                        {"a plug-in table without setvalue", false, {}}};
  refusals[0].tables.browserTableMissing = true;
  refusals[1].tables.browserTableSize = browserNeeded - 1;
  refusals[2].tables.pluginTableMissing = true;
  refusals[3].tables.pluginTableSize = pluginNeeded - 8;
  for (const Refusal& refusal : refusals) {
    npapibrowser::TestBrowser browser;
    EXPECT_FALSE(browser.load(SPW_MODULE, refusal.tables)) << refusal.what;
    EXPECT_EQ(refusal.atInitialize ? browser.initializeResult() : browser.getEntryPointsResult(),
              NPERR_INVALID_FUNCTABLE_ERROR)
        << refusal.what;
    EXPECT_EQ(browser.pluginFuncs().newp, nullptr) << refusal.what;
  }

  // The shortest tables it can use, as older browsers hand them: it fills its entries, writes no
  // larger size back, and works through them.
  npapibrowser::TableOptions shortest;
  shortest.browserTableSize = browserNeeded;
  shortest.pluginTableSize = pluginNeeded;
  ASSERT_TRUE(browser_.load(SPW_MODULE, shortest)) << browser_.lastError();
  EXPECT_EQ(browser_.pluginFuncs().size, pluginNeeded);
  EXPECT_EQ(browser_.pluginFuncs().version, 8);
  EXPECT_NE(browser_.pluginFuncs().setvalue, nullptr);
  Page* page = openReadyPage();
  ASSERT_NE(page, nullptr);
  click(page);
  page->typeText("pw");
  EXPECT_EQ(testsupport::decodePassword(page->invoke("GetPassword").stringValue), "pw");
}

// ---- NPP_New -----------------------------------------------------------------------------

TEST_F(Lifecycle, AcceptedInstanceChecksBothModelsAndSetsThemInOrder) {
  Page* page = openPage();
  ASSERT_EQ(page->newResult(), NPERR_NO_ERROR);
  EXPECT_EQ(browser_.recorded(page).getValueRequests,
            (std::vector<NPNVariable>{NPNVsupportsCoreAnimationBool, NPNVsupportsCocoaBool}));
  ASSERT_EQ(browser_.recorded(page).setValueCalls.size(), 2u);
  EXPECT_EQ(browser_.recorded(page).setValueCalls[0].variable, NPPVpluginDrawingModel);
  EXPECT_EQ(browser_.recorded(page).setValueCalls[0].value, uintptr_t{NPDrawingModelCoreAnimation});
  EXPECT_EQ(browser_.recorded(page).setValueCalls[1].variable, NPPVpluginEventModel);
  EXPECT_EQ(browser_.recorded(page).setValueCalls[1].value, uintptr_t{NPEventModelCocoa});

  PluginObject* record = recordOf(page);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->npp, page->npp());
  EXPECT_NE(record->panel, nullptr);
  EXPECT_NE(record->textField, nullptr);
  EXPECT_TRUE(record->textField->isEditable());
  EXPECT_NE(record->scriptObject, nullptr);
  EXPECT_EQ(record->rootLayer, nullptr);  // until the browser asks for it
  EXPECT_EQ(record->npWindow.width, 0u);
  EXPECT_EQ(record->panel->styleMask(), NSClosableWindowMask);
  EXPECT_EQ(record->panel->backingType(), NSBackingStoreNonretained);
}

TEST_F(Lifecycle, BrowserWithoutCoreAnimationIsRefusedAfterOneQuestion) {
  for (Answer answer : {Answer::No, Answer::Error}) {
    PageOptions options = TestPageOptions();
    options.coreAnimation = answer;
    Page* page = openPage(options);
    EXPECT_EQ(page->newResult(), NPERR_INCOMPATIBLE_VERSION_ERROR);
    EXPECT_EQ(browser_.recorded(page).getValueRequests,
              std::vector<NPNVariable>{NPNVsupportsCoreAnimationBool});
    EXPECT_TRUE(browser_.recorded(page).setValueCalls.empty());
    // The browser will not call NPP_Destroy: the record is already gone.
    EXPECT_EQ(page->npp()->pdata, nullptr);
    browser_.closePage(page);
  }
  EXPECT_EQ(browser_.objects().livePluginObjects(), 0u);
  EXPECT_TRUE(browser_.report().clean()) << browser_.report().text;
}

TEST_F(Lifecycle, BrowserWithoutCocoaEventsIsRefusedAfterTheDrawingModel) {
  for (Answer answer : {Answer::No, Answer::Error}) {
    PageOptions options = TestPageOptions();
    options.cocoaEvents = answer;
    Page* page = openPage(options);
    EXPECT_EQ(page->newResult(), NPERR_INCOMPATIBLE_VERSION_ERROR);
    EXPECT_EQ(browser_.recorded(page).getValueRequests.size(), 2u);
    ASSERT_EQ(browser_.recorded(page).setValueCalls.size(), 1u);
    EXPECT_EQ(browser_.recorded(page).setValueCalls[0].variable, NPPVpluginDrawingModel);
    EXPECT_EQ(page->npp()->pdata, nullptr);
    browser_.closePage(page);
  }
  EXPECT_TRUE(browser_.report().clean()) << browser_.report().text;
}

TEST_F(Lifecycle, InstanceTheBrowserDoesNotKnowIsRefused) {
  NPP_t stranger{};
  char mime[] = "application/x-secure-password";
  EXPECT_EQ(browser_.pluginFuncs().newp(mime, &stranger, NP_EMBED, 0, nullptr, nullptr, nullptr),
            NPERR_INCOMPATIBLE_VERSION_ERROR);
  EXPECT_EQ(stranger.pdata, nullptr);
  EXPECT_EQ(browser_.pluginFuncs().newp(mime, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
            NPERR_INVALID_INSTANCE_ERROR);
}

TEST_F(Lifecycle, InstanceWithoutARecordIsDeclined) {
  const NPPluginFuncs& f = browser_.pluginFuncs();
  NPP_t empty{};
  for (NPP instance : {static_cast<NPP>(nullptr), &empty}) {
    NPWindow window{};
    uint16_t stype = 0;
    void* value = nullptr;
    NPStream stream{};
    NPCocoaEvent event{};
    event.type = NPCocoaEventFocusChanged;
    event.data.focus.hasFocus = 1;
    EXPECT_EQ(f.destroy(instance, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.setwindow(instance, &window), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.newstream(instance, nullptr, &stream, 0, &stype), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(stype, 0);
    EXPECT_EQ(f.destroystream(instance, &stream, NPRES_DONE), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.getvalue(instance, NPPVpluginScriptableNPObject, &value),
              NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.getvalue(instance, NPPVpluginCoreAnimationLayer, &value),
              NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(f.setvalue(instance, NPNVprivateModeBool, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.event(instance, &event), 0);
    EXPECT_EQ(f.writeready(instance, &stream), 0);
    EXPECT_EQ(f.write(instance, &stream, 0, 0, nullptr), 0);
    f.asfile(instance, &stream, "/tmp/x");
    f.print(instance, nullptr);
    f.urlnotify(instance, "https://example.com/", NPRES_DONE, nullptr);
  }
  EXPECT_EQ(browser_.calls("invalidaterect"), 0u);
}

// ---- NPP_Destroy -------------------------------------------------------------------------

TEST_F(Lifecycle, DestroyReleasesEverythingAndDetachesTheRecord) {
  Page* page = openReadyPage();
  click(page);
  NPP npp = page->npp();
  unsigned releases = browser_.calls("releaseobject");
  EXPECT_EQ(browser_.pluginFuncs().destroy(npp, nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(browser_.calls("releaseobject"), releases + 1);  // the record's reference
  EXPECT_EQ(npp->pdata, nullptr);
  // A second destroy (a confused browser) finds no record and does nothing.
  EXPECT_EQ(browser_.pluginFuncs().destroy(npp, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  browser_.closePage(page);  // the page gives back its own references
  EXPECT_TRUE(browser_.report().clean()) << browser_.report().text;
}

TEST_F(Lifecycle, DestroyWithoutLayerOrScriptObjectRequested) {
  Page* page = openPage();
  ASSERT_EQ(page->newResult(), NPERR_NO_ERROR);
  browser_.closePage(page);
  EXPECT_TRUE(browser_.report().clean()) << browser_.report().text;
}

// ---- Plug-in variables -------------------------------------------------------------------

TEST_F(Lifecycle, ScriptObjectIsTheSameWithOneReferencePerRequest) {
  Page* page = openPage();
  void* first = nullptr;
  void* second = nullptr;
  ASSERT_EQ(page->getValue(NPPVpluginScriptableNPObject, &first), NPERR_NO_ERROR);
  ASSERT_EQ(page->getValue(NPPVpluginScriptableNPObject, &second), NPERR_NO_ERROR);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, recordOf(page)->scriptObject);
  EXPECT_EQ(static_cast<NPObject*>(first)->referenceCount, 3u);  // the record's and two more
}

TEST_F(Lifecycle, LayerIsTheSameAndItsTreeIsBuiltOnce) {
  Page* page = openPage();
  CALayer* first = page->layer();
  CALayer* second = page->layer();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  PluginObject* record = recordOf(page);
  EXPECT_EQ(first, record->rootLayer);
  EXPECT_EQ(first->retainCount(), 3u);  // the record's and two for the browser
  ASSERT_EQ(first->sublayers().size(), 1u);
  EXPECT_EQ(first->sublayers()[0], record->textField->layer());
  EXPECT_EQ(record->panel->contentView(), record->textField);
  EXPECT_TRUE(record->panel->becomesKeyOnlyIfNeeded());
  EXPECT_TRUE(record->textField->wantsLayer());
}

TEST_F(Lifecycle, OtherVariablesAndAllSetValuesAreDeclined) {
  Page* page = openPage();
  void* value = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(page->getValue(NPPVpluginNameString, &value), NPERR_GENERIC_ERROR);
  EXPECT_EQ(page->getValue(NPPVpluginNeedsXEmbed, &value), NPERR_GENERIC_ERROR);
  EXPECT_EQ(value, reinterpret_cast<void*>(0x1));
  EXPECT_EQ(page->getValue(NPPVpluginScriptableNPObject, nullptr), NPERR_GENERIC_ERROR);
  NPBool yes = 1;
  EXPECT_EQ(browser_.pluginFuncs().setvalue(page->npp(), NPNVprivateModeBool, &yes),
            NPERR_GENERIC_ERROR);
}

// ---- Window and streams ------------------------------------------------------------------

TEST_F(Lifecycle, SetWindowKeepsTheWholeDescriptionAndSizesPanelAndField) {
  Page* page = openReadyPage();
  PluginObject* record = recordOf(page);
  NPWindow window{};
  int marker = 0;
  window.window = &marker;
  window.x = 10;
  window.y = 20;
  window.width = 300;
  window.height = 24;
  window.clipRect = NPRect{1, 2, 3, 4};
  window.type = NPWindowTypeWindow;
  ASSERT_EQ(page->setWindow(window), NPERR_NO_ERROR);
  EXPECT_EQ(std::memcmp(&record->npWindow, &window, sizeof window), 0);
  EXPECT_TRUE(NSEqualRects(record->panel->frame(), NSMakeRect(10, 20, 300, 24)));
  EXPECT_TRUE(NSEqualRects(record->textField->frame(), NSMakeRect(0, 0, 300, 24)));

  ASSERT_EQ(page->setWindow(-5, 7, 120, 30), NPERR_NO_ERROR);
  EXPECT_EQ(record->npWindow.window, nullptr);
  EXPECT_EQ(record->npWindow.x, -5);
  EXPECT_EQ(record->npWindow.clipRect.right, 120);
  EXPECT_EQ(record->npWindow.type, NPWindowTypeDrawable);
  EXPECT_TRUE(NSEqualRects(record->panel->frame(), NSMakeRect(-5, 7, 120, 30)));
  EXPECT_TRUE(NSEqualRects(record->textField->frame(), NSMakeRect(0, 0, 120, 30)));
  EXPECT_EQ(browser_.pluginFuncs().setwindow(page->npp(), nullptr), NPERR_GENERIC_ERROR);
}

TEST_F(Lifecycle, StreamsAreTakenAsFilesOnlyAndNoDataIsConsumed) {
  Page* page = openPage();
  const NPPluginFuncs& f = browser_.pluginFuncs();
  NPStream stream{};
  uint16_t stype = NP_NORMAL;
  char mime[] = "text/plain";
  EXPECT_EQ(f.newstream(page->npp(), mime, &stream, 1, &stype), NPERR_NO_ERROR);
  EXPECT_EQ(stype, NP_ASFILEONLY);
  char data[8] = "abcdefg";
  EXPECT_EQ(f.writeready(page->npp(), &stream), 0);
  EXPECT_EQ(f.write(page->npp(), &stream, 0, sizeof data, data), 0);
  EXPECT_EQ(f.destroystream(page->npp(), &stream, NPRES_DONE), NPERR_NO_ERROR);
}

// ---- Many instances ----------------------------------------------------------------------

TEST_F(Lifecycle, ManyInstancesOnOnePageKeepTheirOwnFields) {
  std::vector<Page*> pages;
  for (int i = 0; i < 6; ++i) pages.push_back(openReadyPage());
  for (int i = 0; i < 6; ++i) {
    click(pages[i]);
    pages[i]->typeText("password-" + std::to_string(i));
  }
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(testsupport::decodePassword(pages[i]->invoke("GetPassword").stringValue),
              "password-" + std::to_string(i));
  }
  // Close them out of order; the others go on working.
  browser_.closePage(pages[3]);
  browser_.closePage(pages[0]);
  EXPECT_EQ(testsupport::decodePassword(pages[5]->invoke("GetPassword").stringValue), "password-5");
  browser_.closePage(pages[5]);
  EXPECT_EQ(testsupport::decodePassword(pages[1]->invoke("GetPassword").stringValue), "password-1");
}

}  // namespace
