# The update feed reader: what an update server sends.
tonnix_fuzzer(appcast_fuzzer SOURCES appcast_fuzzer.cpp LIBS tonnix_appcast)
