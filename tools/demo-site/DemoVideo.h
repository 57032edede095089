#pragma once

#include <QString>

#include "common/NameValueList.h"

// The demo site's video routes (VideoRoutes.cpp) as the resolver sees them:
//
//   /watch?v=ID              watch page with both forms the resolver reads: the key list
//                            "var swfArgs = {...};" (token "t" URL-encoded) and the parameter
//                            text "'PLAYER_CONFIG': {...}" holding the stream maps.
//                            Query switches, placed before "v=" in the configured prefix:
//                              map=all|none|fmt_url_map|fmt_stream_map|url_encoded_fmt_stream_map
//                                 |flv34only|badescape  which maps the parameter text holds
//                                                       (default all);
//                              token=none               the key list has no token;
//                              agent=TEXT               answer 403 unless the User-Agent is TEXT.
//   /get_video_info?&video_id=ID   "status=ok&...&token=..." or, for an unknown identifier or
//                            the switch reply=notoken, "status=fail&errorcode=150&reason=...".
//   /get_video?asv=3&video_id=ID&t=TOKEN   the song's FLV stream; 403 for a wrong token.
//
// Pipe maps: fmt_url_map = "5|<flv>,18|<mp4>" (resolves to the MP4), fmt_stream_map =
// "18|<mp4>,34|<flv>?fmt=34" (resolves to the FLV). The stream map has entries for formats
// 18 (MP4), 5 and 34 (FLV); format 5 is the one the resolver takes. Every address points at
// the core's /media/ID.flv or /media/ID.mp4.

// The token the site hands out for a video.
QString DemoVideoToken(const QString& id);

// The nine service-information values that make a resolver work against the site at
// baseUrl ("http://127.0.0.1:<port>"), under their settings names: WatchPattern,
// WatchPattern2, FLVSplitStr, FLVNeedDecode, FLVGetVideoURI, WatchURL, GetInfoURL,
// GetMethod (the given method: 0 video information, 1 watch page, 2 parameter text),
// FLVURLFormat.
TNameValueList DemoResolverSettings(const QString& baseUrl, int method = 1);
