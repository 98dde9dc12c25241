#include "imaging/io/core/iehttp.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

namespace {

constexpr int64_t kMaxBody = 2147483647;
constexpr size_t kKnownPiece = 65536;
constexpr size_t kUnknownPiece = 1024;

// curl's global state is set up once for the process and torn down at exit.
struct TCurlGlobal {
  TCurlGlobal() { Ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }
  ~TCurlGlobal() {
    if (Ok) curl_global_cleanup();
  }
  bool Ok = false;
};

bool CurlReady() {
  static TCurlGlobal global;
  return global.Ok;
}

struct TTransfer {
  CURL* Curl = nullptr;
  TMemoryStream* Body = nullptr;
  std::atomic<bool>* AbortFlag = nullptr;
  const std::function<void(int32_t)>* Progress = nullptr;
  int64_t Length = -2;  // -2: not asked yet; -1: unknown
  bool Aborted = false;
  bool TooLarge = false;
  bool Received = false;
};

// Hands the body on in the pieces the download rule sets. Never throws:
// answering less than the size given ends the transfer.
size_t WriteBody(char* Data, size_t Size, size_t Count, void* User) {
  auto* t = static_cast<TTransfer*>(User);
  const size_t total = Size * Count;
  try {
    if (t->Length == -2) {
      curl_off_t length = -1;
      if (curl_easy_getinfo(t->Curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) length = -1;
      t->Length = length > 0 ? int64_t(length) : -1;
      if (t->Length > kMaxBody) {
        t->TooLarge = true;
        return 0;
      }
    }
    const size_t piece = t->Length > 0 ? kKnownPiece : kUnknownPiece;
    for (size_t at = 0; at < total; at += piece) {
      if (t->AbortFlag->load()) {
        t->Aborted = true;
        return 0;
      }
      const size_t n = std::min(piece, total - at);
      if (t->Body->Size() + int64_t(n) > kMaxBody) {
        t->TooLarge = true;
        return 0;
      }
      t->Body->WriteBuffer(Data + at, int64_t(n));
      t->Received = true;
      if (t->Length > 0 && *t->Progress) {
        const int64_t percent = t->Body->Size() * 100 / t->Length;
        (*t->Progress)(int32_t(std::clamp<int64_t>(percent, 0, 100)));
      }
    }
    if (t->AbortFlag->load()) {
      t->Aborted = true;
      return 0;
    }
    return total;
  } catch (...) {
    t->Aborted = true;
    return 0;
  }
}

}  // namespace

TIEHttpOutcome IEParseHttpURL(const String& URL, TIEHttpTarget& Target) {
  if (URL.size() < 7 || LowerCase(std::string_view(URL).substr(0, 7)) != "http://") return TIEHttpOutcome::NotHttp;
  const String rest = URL.substr(7);
  const size_t slash = rest.find('/');
  if (slash == String::npos) return TIEHttpOutcome::NoPath;
  Target.Host = rest.substr(0, slash);
  Target.Path = rest.substr(slash);
  Target.Port = 80;
  const size_t colon = Target.Host.find(':');
  if (colon != String::npos) {
    Target.Port = StrToIntDef(std::string_view(Target.Host).substr(colon + 1), 80);
    Target.Host = Target.Host.substr(0, colon);
  }
  return TIEHttpOutcome::Done;
}

TIEHttpOutcome IEHttpGet(const String& URL, const TIEHttpSettings& Settings, TMemoryStream& Body,
                         std::atomic<bool>& AbortFlag, const std::function<void(int32_t)>& Progress) {
  TIEHttpTarget target;
  const TIEHttpOutcome parsed = IEParseHttpURL(URL, target);
  if (parsed != TIEHttpOutcome::Done) return parsed;
  if (!CurlReady() || target.Port <= 0 || target.Port > 65535) return TIEHttpOutcome::Failed;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return TIEHttpOutcome::Failed;
  TTransfer t;
  t.Curl = curl;
  t.Body = &Body;
  t.AbortFlag = &AbortFlag;
  t.Progress = &Progress;
  const String url = "http://" + target.Host + ":" + IntToStr(target.Port) + target.Path;
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "Cache-Control: no-cache");
  headers = curl_slist_append(headers, "Pragma: no-cache");
  headers = curl_slist_append(headers, "Connection: Keep-Alive");
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/4.*");
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, long(kKnownPiece));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(curl, CURLOPT_PROXY, Settings.ProxyAddress.c_str());  // "" means no proxy
  if (!Settings.ProxyAddress.empty() && (!Settings.ProxyUser.empty() || !Settings.ProxyPassword.empty())) {
    curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, Settings.ProxyUser.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, Settings.ProxyPassword.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
  }
  const CURLcode result = curl_easy_perform(curl);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  Body.SetPosition(0);
  if (t.TooLarge) return TIEHttpOutcome::TooLarge;
  if (t.Aborted || AbortFlag.load()) return TIEHttpOutcome::Aborted;
  if (result != CURLE_OK && !t.Received) return TIEHttpOutcome::Failed;
  return TIEHttpOutcome::Done;
}
