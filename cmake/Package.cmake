# The Debian package, made by `cpack -G DEB` from the install rules (tools/package.sh).
# Library dependencies are worked out by dpkg-shlibdeps; the dictionary and the trust store
# are read at run time and named here.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Quorrin")
set(CPACK_PACKAGE_CONTACT "Quorrin <velmora@quorrin.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hiragana readings after the kanji of Japanese web pages")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "mecab-ipadic-utf8, ca-certificates")
# The windows and help page are Japanese; without a Japanese font they show boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The synopsis is the summary above; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Velmora writes the reading of every kanji run of a Japanese web page after
it, in hiragana between brackets, so that children and other learners can
read pages whose kanji they have not learned yet. Kanji already learned up to
a chosen school grade keep no reading, and the user's own dictionary fixes the
readings of chosen words.
.
This package holds the desktop tool velmora, a small window beside the web
browser that annotates the page it is handed and opens the result in the
browser, and the command velmora-rubi, which annotates pages and text from
the command line.")

include(CPack)
