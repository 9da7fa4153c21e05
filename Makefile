# Daily shortcuts; ./run.sh and ./test.sh do the full set-up.
.PHONY: all run test test-asan fuzz-smoke bench install deb check-deb clean

all:
	bash scripts/build.sh build

run:
	./run.sh

test:
	./test.sh

test-asan:
	bash scripts/install-deps.sh
	bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMARIS_SANITIZE=ON
	cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$$(nproc)

fuzz-smoke:
	bash scripts/fuzz-smoke.sh

bench:
	bash scripts/install-deps.sh bench
	bash scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DVELMARIS_BENCH=ON

install: all
	cmake --install build

# The Debian package, built with Debian's hardening flags into build-deb/
# (no debug information: the package's program is stripped anyway).
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g dpkg-buildflags --get
deb:
	bash scripts/install-deps.sh deb
	bash scripts/build.sh build-deb -DCMAKE_BUILD_TYPE=Release -DVELMARIS_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)"
	cd build-deb && cpack >/dev/null
	@ls "$$PWD"/build-deb/velmaris_*.deb

# Installs the package into a fresh minimal Debian 12 chroot, runs it,
# removes it and checks that nothing is left; lints the package.
check-deb:
	bash scripts/check-deb.sh

clean:
	rm -rf build build-asan build-fuzz build-bench build-deb
