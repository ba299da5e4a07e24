#pragma once
// SMS PDUs recorded from real phones and operators and from other phone tools, shared by the
// decoder's table tests and the cross-check against gammu's decoder. tpduLength: the octets
// after the service-centre part, as AT+CMGL announces them.

struct RecordedPdu {
    const char* label;
    const char* source;
    const char* hex;
    int tpduLength;
};

inline constexpr RecordedPdu kOfonoSimpleDeliver{"OfonoSimpleDeliver", "oFono unit/test-sms.c simple_deliver",
    "07911326040000F0040B911346610089F60000208062917314480CC8F71D14969741F977FD07"
    , 30};
inline constexpr RecordedPdu kOfonoAlphanumericSender{"OfonoAlphanumericSender", "oFono unit/test-sms.c alnum_sender",
    "0791447758100650040DD0F334FC1CA6970100008080312170224008D4F29CDE0EA7D9"
    , 27};
inline constexpr RecordedPdu kOfonoUnicodeDeliver{"OfonoUnicodeDeliver", "oFono unit/test-sms.c unicode_deliver",
    "04819999990414D0FBFD7EBFDFEFF77BFE1E0019512090801361807E00DC00FC00C400E400D600F600C500E5"
    "00D800F800C600E600C700E700C900E900CA00EA00DF00310032003300340035003600370038003900300020"
    "00540068006900730020006D00650073007300610067006500200069007300200036003300200075006E0069"
    "0063006F00640065002000630068006100720073002E"
    , 149};
inline constexpr RecordedPdu kOfonoSimpleSubmit{"OfonoSimpleSubmit", "oFono unit/test-sms.c simple_submit",
    "0011000B916407281553F80000AA0AE8329BFD4697D9EC37"
    , 23};
inline constexpr RecordedPdu kGammuConcatenatedPart{"GammuConcatenatedPart", "gammu tests/at-sms/22.dump",
    "0791246020099990400C91247042972767000070107031107440A005000301020182E8B71A040FDBD9651688"
    "1E5E83DA65907D5C968741EEF49AFC06B9CBEFB53C4C66B34061771AE42EEBDDE1799AED4EB34161D0BA0E7F"
    "93D3F63A483D2FB74161771AE42ED7E7EE3A3BCC0285C720FABB5D07B5DF6390BB3C1FA3C3FA32FBAD4BB940"
    "D43219342F83C6E8FC9C1E6E83E0F2F0F86D0FD3416150FBAD77874169903B0CA2BF41"
    , 159};
inline constexpr RecordedPdu kGammuWapPushClass1{"GammuWapPushClass1", "gammu tests/at-sms/40.dump",
    "07912374151616F6440B911174164210F000F571309290346280860605040B8423F04F06226170706C696361"
    "74696F6E2F766E642E7761702E6D6D732D6D65737361676500AF848C82983831343630343934406D6D733100"
    "8D928918802B33333333333439333231312F545950453D504C4D4E0096008F8186818A808E03017A59880581"
    "0303F48083687474703A2F2F6D74732F3F69643D383134363034393400"
    , 153};
inline constexpr RecordedPdu kGammuSubmitReportRequested{"GammuSubmitReportRequested", "gammu tests/at-sms/15.dump",
    "07919761989901F031000B919761084218F200F1FF04D4F29C0E"
    , 18};
inline constexpr RecordedPdu kGammuEmojiLongSubmit{"GammuEmojiLongSubmit", "gammu's encoder (python3-gammu EncodePDU), 16-bit reference",
    "079194710167000051000D91945111325476F80008008B06080411A40201004800690020D83DDE0000200048"
    "00690020D83DDE000020004800690020D83DDE000020004800690020D83DDE000020004800690020D83DDE00"
    "0020004800690020D83DDE000020004800690020D83DDE000020004800690020D83DDE000020004800690020"
    "D83DDE000020004800690020D83DDE000020004800690020D83DDE000020"
    , 154};
inline constexpr RecordedPdu kGammuStatusReportAustralia{"GammuStatusReportAustralia", "gammu tests/at-sms/34.dump",
    "07911614786007F006060B911634092142F4019071011000040190710110450400060000"
    , 28};
inline constexpr RecordedPdu kGammuStatusReportNational{"GammuStatusReportNational", "gammu tests/at-sms/38.dump",
    "079124602009999006B4098106326906F2212041015554402120410155054000"
    , 24};
inline constexpr RecordedPdu kGammuStatusReportPending{"GammuStatusReportPending", "gammu tests/at-sms/30.dump",
    "079124603050020006E80C91666666666666909070618422809090706184628000"
    , 25};
inline constexpr RecordedPdu kGammuNationalOriginator{"GammuNationalOriginator", "gammu tests/at-sms/39.dump",
    "07914336120011F10404A14949000021807001253040356C76B81D268741F0B29C9C268741E4B20EB49AD16C"
    "B19BAD368BD96EA0B71B04BBBD603810284C078162315D2CE70289EBFAE1AC0CB2BFF52C10FC2D0799C3F6B7"
    "1CC46687DB6550980D8AC962"
    , 92};
inline constexpr RecordedPdu kGammuOldDeliver1999{"GammuOldDeliver1999", "gammu tests/at-sms/09.dump",
    "07917283010010F5040BC87238880900F10000993092516195800AE8329BFD4697D9EC37"
    , 28};

inline constexpr const RecordedPdu* kRecordedPdus[] = {
    &kOfonoSimpleDeliver, &kOfonoAlphanumericSender, &kOfonoUnicodeDeliver, &kOfonoSimpleSubmit, &kGammuConcatenatedPart, &kGammuWapPushClass1, &kGammuSubmitReportRequested, &kGammuEmojiLongSubmit, &kGammuStatusReportAustralia, &kGammuStatusReportNational, &kGammuStatusReportPending, &kGammuNationalOriginator, &kGammuOldDeliver1999};
