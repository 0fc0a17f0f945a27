// Names and first-read defaults of the program's registry values. Values whose default is
// derived from a folder (ContentPath, TransPath) are filled by the settings load.
#pragma once

namespace brevio::settings::keys {

// Login (user id, scrambled password, automatic login).
inline constexpr const char* kUserId = "PemloUserID";
inline constexpr const char* kPassword = "PemloPasswd";
inline constexpr const char* kAutoLogin = "AutoLogin";
inline constexpr int kAutoLoginDefault = 0;

// Folders.
inline constexpr const char* kContentPath = "ContentPath";
inline constexpr const char* kTransPath = "TransPath";
inline constexpr const char* kIsTransNews = "IsTransNews";
inline constexpr int kIsTransNewsDefault = 0;

// News server and proxy.
inline constexpr const char* kServerHost = "ServerHost";
inline constexpr const char* kServerPort = "ServerPort";
inline constexpr int kServerPortDefault = 0;  // 0 means the built-in port
inline constexpr const char* kPortalAddress = "PortalAddress";
inline constexpr const char* kProxyMode = "ProxyMode";  // 0 direct, 1 SOCKS4, 2 SOCKS5
inline constexpr int kProxyModeDefault = 0;
inline constexpr const char* kProxyHost = "ProxyHost";
inline constexpr const char* kProxyPort = "ProxyPort";
inline constexpr int kProxyPortDefault = 0;
inline constexpr const char* kProxyUser = "ProxyUser";
inline constexpr const char* kProxyPwd = "ProxyPwd";
inline constexpr const char* kProxyAuth = "ProxyAuth";
inline constexpr int kProxyAuthDefault = 0;

// Reception limits; 0 or less means the built-in value.
inline constexpr const char* kSearchThreads = "SearchThreads";
inline constexpr const char* kSocketInterval = "SocketInterval";
inline constexpr const char* kDiskInterval = "DiskInterval";
// Seconds one server exchange may take from connecting to the end of its reply.
inline constexpr const char* kExchangeTimeout = "ExchangeTimeout";
inline constexpr int kLimitDefault = 0;

// Skin, clean-up and history.
inline constexpr const char* kSkin = "Skin";
inline constexpr const char* kWhenCleanup = "WhenCleanup";  // 0 at start-up, 1 at exit
inline constexpr int kWhenCleanupDefault = 0;
inline constexpr const char* kHandleHistroyTime = "HandleHistroyTime";  // yyyymmdd
inline constexpr int kHandleHistroyTimeDefault = 0;
inline constexpr const char* kStockRemain = "StockRemain";
inline constexpr const char* kTradeRemain = "TradeRemain";
inline constexpr const char* kRegionRemain = "RegionRemain";
inline constexpr const char* kPeopleRemain = "PeopleRemain";
inline constexpr int kRemainDefault = 0;

// Favourites.
inline constexpr const char* kFavMaxID = "FavMaxID";
inline constexpr int kFavMaxIDDefault = 0;

// News list and content page.
inline constexpr const char* kIsAutoMark = "IsAutoMark";
inline constexpr int kIsAutoMarkDefault = 1;
inline constexpr const char* kMarkSeconds = "MarkSeconds";
inline constexpr int kMarkSecondsDefault = 0;
inline constexpr const char* kReadColor = "ReadColor";
inline constexpr int kReadColorDefault = 0x66;
inline constexpr const char* kTitleFontSize = "TitleFontSize";
inline constexpr int kTitleFontSizeDefault = 0xe;
inline constexpr const char* kTitleFontColor = "TitleFontColor";
inline constexpr int kTitleFontColorDefault = 0xff;
inline constexpr const char* kContentFontSize = "ContentFontSize";
inline constexpr int kContentFontSizeDefault = 0xe;
inline constexpr const char* kContentFontColor = "ContentFontColor";
inline constexpr int kContentFontColorDefault = 0;
inline constexpr const char* kContentBgColor = "ContentBgColor";
inline constexpr int kContentBgColorDefault = 0xffffff;
inline constexpr const char* kLastSavePath = "LastSavePath";

// Main window.
inline constexpr const char* kVisibleFindWindow = "VisibleFindWindow";
inline constexpr int kVisibleFindWindowDefault = 1;
inline constexpr const char* kIsFirstTime = "IsFirstTime";
inline constexpr int kIsFirstTimeDefault = 1;
inline constexpr const char* kMyFolderCount = "MyFolderCount";
inline constexpr int kMyFolderCountDefault = 0;

// Addresses of outside services; ours to choose, kept as settings so they can be changed.
// The radar's blog host: pages whose configured URL contains it get the blog rule (UTF-8
// article list). Must start with "http://".
inline constexpr const char* kBlogHost = "BlogHost";
inline constexpr const char* kBlogHostDefault = "http://127.0.0.1:8080/blog/";
// The public web search engine's query page up to its query key "word=".
inline constexpr const char* kSearchEngine = "SearchEngine";
inline constexpr const char* kSearchEngineDefault = "http://www.baidu.com/baidu?";

// Built-in values that the settings above replace when set.
inline constexpr const char* kBuiltInServerHost = "127.0.0.1";
inline constexpr int kBuiltInServerPort = 5001;
inline constexpr const char* kBuiltInPortal = "http://127.0.0.1:8080";
inline constexpr int kBuiltInSearchThreads = 3;
inline constexpr int kBuiltInSocketInterval = 10;
inline constexpr int kBuiltInDiskInterval = 10;
// Ten minutes: a slow server still finishes a long reply; one that trickles bytes does not
// keep a reception thread for good.
inline constexpr int kBuiltInExchangeTimeout = 600;

}  // namespace brevio::settings::keys
