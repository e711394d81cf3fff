#!/usr/bin/env bash
# Regenerates the test certificate authority and the server certificate for 127.0.0.1 and
# localhost that the network tests use. Valid for 100 years so the committed files never expire
# under the tests. Run from anywhere; writes next to this script.
set -euo pipefail
cd "$(dirname "$0")"

days=36500
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The authority.
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" \
    -subj "/O=Veltrane Hub Tests/CN=Veltrane Hub Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -addext "subjectKeyIdentifier=hash" \
    -keyout ca-key.pem -out ca.pem

# The server: a key, a request, and the certificate the authority issues for it.
openssl req -newkey rsa:2048 -nodes -sha256 \
    -subj "/O=Veltrane Hub Tests/CN=localhost" \
    -keyout server-key.pem -out "$work/server.csr"

cat > "$work/server.ext" <<'EXT'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=IP:127.0.0.1,DNS:localhost
authorityKeyIdentifier=keyid
subjectKeyIdentifier=hash
EXT

openssl x509 -req -sha256 -days "$days" -in "$work/server.csr" \
    -CA ca.pem -CAkey ca-key.pem -CAcreateserial -CAserial "$work/ca.srl" \
    -extfile "$work/server.ext" -out server.pem

# An authority nobody trusts, signing a certificate for the same names: for tests that a
# client refuses a server whose chain it does not know.
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" \
    -subj "/O=Veltrane Hub Tests/CN=Untrusted Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$work/other-ca-key.pem" -out "$work/other-ca.pem"
openssl req -newkey rsa:2048 -nodes -sha256 \
    -subj "/O=Veltrane Hub Tests/CN=localhost" \
    -keyout untrusted-server-key.pem -out "$work/untrusted.csr"
openssl x509 -req -sha256 -days "$days" -in "$work/untrusted.csr" \
    -CA "$work/other-ca.pem" -CAkey "$work/other-ca-key.pem" -CAcreateserial -CAserial "$work/other.srl" \
    -extfile "$work/server.ext" -out untrusted-server.pem

openssl verify -CAfile ca.pem server.pem
