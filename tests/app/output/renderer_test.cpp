#include "app/output/renderer.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/output/office_profile.h"
#include "app/output/pdf_export.h"
#include "app/output/work_folder.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {
namespace {
namespace fs = std::filesystem;
using std::chrono::milliseconds;

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string Read(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Renderers of the fake kind (fake_renderer.cpp), with a temporary folder and a profile cache
// of the test's own.
class RendererTest : public ::testing::Test {
 protected:
  RendererTest()
      : root_("vorn-renderer-test-"),
        tmp_(Make("tmp")),
        cache_(Make("cache")),
        tmpdir_("TMPDIR", tmp_),
        cache_home_("XDG_CACHE_HOME", cache_),
        renderer_env_("VORN_RENDERER", VORN_FAKE_RENDERER) {}

  std::string Make(const std::string& name) {
    const std::string path = root_.Path() + "/" + name;
    fs::create_directories(path);
    return path;
  }

  static RendererOptions Options() {
    RendererOptions options;
    options.program = VORN_FAKE_RENDERER;
    options.office = "/no/office/needed";
    options.start_limit = milliseconds(5000);
    options.request_limit = milliseconds(300);
    return options;
  }

  // A document whose text tells the fake what to do.
  std::string Document(const std::string& name, const std::string& what) {
    const std::string path = root_.Path() + "/" + name;
    std::ofstream(path) << what;
    return path;
  }

  std::string Pdf(Renderer& renderer, const std::string& document) {
    renderer.BeginPdf(document, root_.Path() + "/out.pdf");
    return Read(renderer.Wait().pdf);
  }

  std::string Error(Renderer& renderer, const std::string& document) {
    try {
      Pdf(renderer, document);
    } catch (const Exception& e) {
      return e.what();
    }
    return "no error";
  }

  std::string Profiles() const { return cache_ + "/vornreport/office"; }

  bool TempFolderEmpty() const { return fs::is_empty(tmp_); }

  TempFolder root_;
  std::string tmp_;
  std::string cache_;
  ScopedEnv tmpdir_;
  ScopedEnv cache_home_;
  ScopedEnv renderer_env_;
};

TEST_F(RendererTest, PdfArrivesUnderItsNameAndTheRendererLeavesNothingBehind) {
  {
    Renderer renderer(Options());
    EXPECT_EQ(Pdf(renderer, Document("card.doc", "ok")), "%PDF-fake ok");
    EXPECT_FALSE(renderer.Busy());
    EXPECT_FALSE(TempFolderEmpty());  // the renderer's private folder, while it runs
    EXPECT_EQ(fs::status(tmp_ + "/" + fs::directory_iterator(tmp_)->path().filename().string())
                      .permissions() &
                  fs::perms::all,
              fs::perms::owner_all);
    EXPECT_THROW(renderer.Wait(), Exception);  // nothing asked
  }
  EXPECT_TRUE(TempFolderEmpty());
  // The profile slot was made and marked, so the next run need not make it again.
  EXPECT_TRUE(FileExists(Profiles() + "/0/vornreport-complete"));
}

TEST_F(RendererTest, ACrashIsSurvivedOnceThenReportedAndTheRendererGoesOn) {
  Renderer renderer(Options());
  const std::string once = Document("once.doc", "crash-once");
  renderer.BeginPdf(once, root_.Path() + "/once.pdf");
  const int first = renderer.Pid();
  EXPECT_EQ(Read(renderer.Wait().pdf), "%PDF-fake crash-once");
  EXPECT_NE(renderer.Pid(), first);  // restarted
  EXPECT_EQ(::kill(first, 0), -1);   // and the crashed one reaped

  const std::string crash = Document("crash.doc", "crash");
  EXPECT_EQ(Error(renderer, crash),
            "LibreOffice failed twice on " + crash + ": the renderer was killed by signal SIGSEGV");
  EXPECT_EQ(Pdf(renderer, Document("next.doc", "ok")), "%PDF-fake ok");
}

TEST_F(RendererTest, AHangingOrBabblingRendererIsKilledWithinItsLimit) {
  Renderer renderer(Options());
  const std::string hang = Document("hang.doc", "hang");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Error(renderer, hang),
            "LibreOffice failed twice on " + hang + ": the renderer did not answer within 1 s");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  const std::string garbage = Document("garbage.doc", "garbage");
  EXPECT_EQ(Error(renderer, garbage), "LibreOffice failed twice on " + garbage +
                                          ": The renderer's answer is broken: no message frame");
}

TEST_F(RendererTest, AFailedRequestIsReportedAtOnceWithoutARestart) {
  Renderer renderer(Options());
  const std::string bad = Document("bad.doc", "fail");
  renderer.BeginPdf(bad, root_.Path() + "/bad.pdf");
  EXPECT_THROW(renderer.BeginPdf(bad, root_.Path() + "/bad.pdf"), Exception);  // one at a time
  const int pid = renderer.Pid();
  try {
    renderer.Wait();
    ADD_FAILURE() << "the failure passed";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot read " + fs::absolute(bad).string());
  }
  EXPECT_EQ(renderer.Pid(), pid);
  EXPECT_FALSE(FileExists(root_.Path() + "/bad.pdf"));
}

TEST_F(RendererTest, PagesComeWithTheirSizeAndAWrongSizeIsRefused) {
  Renderer renderer(Options());
  // The preview's way: ask, then look now and then without blocking.
  renderer.BeginPage(Document("card.doc", "ok"), 0, 20);
  std::optional<RenderResult> page;
  for (int i = 0; i < 500 && !page; ++i) page = renderer.Poll(milliseconds(10));
  ASSERT_TRUE(page.has_value());
  EXPECT_EQ(page->pages, 3);
  EXPECT_EQ(page->width, 20);
  EXPECT_EQ(page->height, 40);
  EXPECT_EQ(page->pixels.size(), 20u * 40 * 4);
  const std::string small = Document("small.doc", "small-page");
  renderer.BeginPage(small, 0, 20);
  try {
    renderer.Wait();
    ADD_FAILURE() << "a page of the wrong size passed";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "The renderer's page of " + small + " has the wrong size");
  }
}

TEST_F(RendererTest, AProfileThatNoLongerStartsIsSetAsideAndMadeAnew) {
  fs::create_directories(Profiles() + "/0");
  std::ofstream(Profiles() + "/0/vornreport-complete") << "";
  std::ofstream(Profiles() + "/0/broken") << "";
  Renderer renderer(Options());
  EXPECT_EQ(Pdf(renderer, Document("card.doc", "ok")), "%PDF-fake ok");
  EXPECT_TRUE(FileExists(Profiles() + "/0.broken/broken"));
  EXPECT_FALSE(FileExists(Profiles() + "/0/broken"));
  EXPECT_TRUE(FileExists(Profiles() + "/0/vornreport-complete"));
}

TEST_F(RendererTest, ARendererThatNeverStartsGivesAClearError) {
  const ScopedEnv crash("VORN_FAKE_START", "crash");
  Renderer renderer(Options());
  const std::string card = Document("card.doc", "ok");
  EXPECT_EQ(Error(renderer, card), "Cannot convert " + card +
                                       ": LibreOffice did not start in the renderer: the "
                                       "renderer was killed by signal SIGSEGV");
  const ScopedEnv hang("VORN_FAKE_START", "hang");
  RendererOptions options = Options();
  options.start_limit = milliseconds(200);
  Renderer hung(options);
  EXPECT_EQ(Error(hung, card), "Cannot convert " + card +
                                   ": LibreOffice did not start in the renderer: the renderer "
                                   "did not answer within 1 s");
}

TEST_F(RendererTest, ABatchGoesToSeveralRenderersAndAFailureLeavesNoPdf) {
  if (OfficeProgramFolder().empty()) GTEST_SKIP() << "no soffice on PATH";
  std::vector<std::string> documents;
  std::vector<std::string> pdfs;
  for (int i = 0; i < 6; ++i) {
    documents.push_back(Document("part" + std::to_string(i), i == 3 ? "crash-once" : "ok"));
    pdfs.push_back(root_.Path() + "/part" + std::to_string(i) + ".pdf");
  }
  std::vector<size_t> progress;
  ConvertAllToPdf(documents, pdfs, 2, [&progress](size_t done) { progress.push_back(done); });
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Read(pdfs[i]), i == 3 ? "%PDF-fake crash-once" : "%PDF-fake ok") << i;
  }
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 6u);
  EXPECT_TRUE(TempFolderEmpty());

  for (const std::string& pdf : pdfs) DeleteFile(pdf);
  documents[4] = Document("bad", "fail");
  EXPECT_THROW(ConvertAllToPdf(documents, pdfs, 2, nullptr), Exception);
  for (const std::string& pdf : pdfs) EXPECT_FALSE(FileExists(pdf)) << pdf;
  EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(RendererTest, FoldersOfKilledHelpersAreRemovedAndLiveOnesKept) {
  const std::string dead = Make("tmp/vornrender-dead01");
  std::ofstream(dead + "/lock") << "";
  const std::string live = Make("tmp/vornrender-live01");
  FileLock held;
  ASSERT_TRUE(held.TryLock(live + "/lock"));
  const std::string unlocked = Make("tmp/vornrender-making");  // a run between mkdtemp and lock
  const std::string parts = Make("tmp/vornreport-parts-Ab3dEf");
  std::ofstream(parts + "/lock") << "";
  const std::string other = Make("tmp/vornrender-notours-at-all");
  std::ofstream(other + "/lock") << "";
  const std::string foreign = Make("tmp/other-abcdef");
  std::ofstream(foreign + "/lock") << "";
  RemoveStaleWorkFolders();
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(fs::exists(unlocked));
  EXPECT_FALSE(fs::exists(parts));
  EXPECT_TRUE(fs::exists(other));
  EXPECT_TRUE(fs::exists(foreign));
}

TEST_F(RendererTest, ANewSlotCopiesACompleteFreeProfileButNeverOneInUse) {
  const std::string source = Profiles() + "/5";
  fs::create_directories(source + "/user");
  std::ofstream(source + "/user/registrymodifications.xcu") << "settings";
  std::ofstream(source + "/.lock") << "LibreOffice's own";
  std::ofstream(source + "/vornreport-complete") << "";
  // Slot 0 was left half made by a killed first start.
  fs::create_directories(Profiles() + "/0/user");
  std::ofstream(Profiles() + "/0/user/half") << "";
  {
    OfficeProfile profile;
    ASSERT_EQ(profile.Slot(), 0);
    profile.Prepare();
    EXPECT_EQ(Read(profile.Path() + "/user/registrymodifications.xcu"), "settings");
    EXPECT_FALSE(FileExists(profile.Path() + "/user/half"));
    EXPECT_FALSE(FileExists(profile.Path() + "/.lock"));
    EXPECT_TRUE(profile.Complete());
  }
  fs::remove_all(Profiles() + "/0");
  OfficeProfile first;   // slot 0
  OfficeProfile second;  // 1
  OfficeProfile third;   // 2
  OfficeProfile fourth;  // 3
  OfficeProfile fifth;   // 4
  OfficeProfile in_use;  // 5, the complete one
  ASSERT_EQ(in_use.Slot(), 5);
  first.Prepare();
  EXPECT_FALSE(fs::exists(first.Path()));
  // One the caller holds but has started no LibreOffice with is taken: a batch's renderers
  // share what the first of them has.
  second.Prepare({&first, &second, &in_use});
  EXPECT_EQ(Read(second.Path() + "/user/registrymodifications.xcu"), "settings");
}

// The real renderer with LibreOffice, as the dialog's preview and the PDFs use it; with the
// user's own profiles, so only the first run on a machine makes one.
class LibreOfficeRendererTest : public ::testing::Test {
 protected:
  LibreOfficeRendererTest() : root_("vorn-lok-test-"), tmpdir_("TMPDIR", root_.Path()) {}

  void SetUp() override {
    if (OfficeProgramFolder().empty()) GTEST_SKIP() << "no soffice on PATH";
  }

  static RendererOptions Options() {
    RendererOptions options;
    options.program = VORN_RENDERER_PROGRAM;
    return options;
  }

  // Dark pixels of a page: text is drawn, an empty page stays white.
  static size_t DarkPixels(const RenderResult& page) {
    size_t dark = 0;
    for (size_t i = 0; i + 3 < page.pixels.size(); i += 4) {
      if (page.pixels[i] < 128 && page.pixels[i + 1] < 128 && page.pixels[i + 2] < 128) ++dark;
    }
    return dark;
  }

  TempFolder root_;
  ScopedEnv tmpdir_;
};

TEST_F(LibreOfficeRendererTest, PagesAndPdfsOfAnRtfCardUnderADocName) {
  const std::string folder = root_.Path() + "/out ;%# 卡片";
  fs::create_directories(folder);
  const std::string card = folder + "/card.doc";
  // A4 landscape halved: 148 x 105 mm, a word on the first page, the second empty.
  std::ofstream(card) << "{\\rtf1\\ansi\\paperw8390\\paperh5950\\margl567\\margr567\\margt567"
                         "\\margb567{\\fonttbl{\\f0 Liberation Sans;}}\\f0\\fs144 MMMM\\page\\par}";
  Renderer renderer(Options());
  renderer.BeginPage(card, 0, 300);
  const RenderResult first = renderer.Wait();
  EXPECT_EQ(first.pages, 2);
  EXPECT_EQ(first.width, 300);
  EXPECT_NEAR(first.height, 300 * 105 / 148, 2);
  EXPECT_GT(DarkPixels(first), 500u);
  renderer.BeginPage(card, 1, 300);
  EXPECT_EQ(DarkPixels(renderer.Wait()), 0u);
  renderer.BeginPage(card, 2, 300);
  EXPECT_THROW(renderer.Wait(), Exception);

  renderer.BeginPdf(card, folder + "/card.pdf");
  const RenderResult pdf = renderer.Wait();
  EXPECT_EQ(pdf.pages, 2);
  EXPECT_EQ(Read(pdf.pdf).substr(0, 5), "%PDF-");
  // Nothing of LibreOffice's beside the card: no lock file.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"card.doc", "card.pdf"}));
}

}  // namespace
}  // namespace vorn
