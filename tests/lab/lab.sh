#!/usr/bin/env bash
# The test lab: network namespaces joined by veth pairs, so that searches,
# broadcasts and route changes run for real without any packet reaching a real
# network. Needs root. See README.md in this folder.
#
#   lab.sh up LAB                         the switch and the PC (192.0.2.1/24 on
#                                         eth0, link a; 198.51.100.1/24 on eth1, link b)
#   lab.sh host LAB NAME LINK ADDR/PLEN[@MAC]... [--mac MAC] [--via ROUTER]
#                                         a namespace LAB-NAME on link a, b (or a
#                                         link a router made) with these addresses
#                                         on its eth0; its default route goes
#                                         through ROUTER when given
#   lab.sh router LAB NAME a|b ADDR/PLEN LINK ADDR/PLEN
#                                         a namespace LAB-NAME that forwards between
#                                         link a or b (its eth0) and a new link LINK
#                                         (its eth1): a network behind a router
#   lab.sh exec LAB NAME COMMAND...       run COMMAND in LAB-NAME (pc, sw or a host)
#   lab.sh down LAB                       end what runs in the lab, remove it
#   lab.sh reap                           remove labs whose owner process is gone
#
# LAB is "ql<owner pid>-<tag>"; the owner pid lets reap clear the labs of test
# processes that died before they could clean up.
set -euo pipefail

die() { echo "lab.sh: $*" >&2; exit 1; }

lab_namespaces() {
  ip netns list 2>/dev/null | awk '{print $1}' | grep -E "^$1-" || true
}

check_lab_name() {
  [[ "$1" =~ ^ql[0-9]+-[A-Za-z0-9]+$ ]] || die "lab name must look like ql<pid>-<tag>, got '$1'"
}

quiet_namespace() {
  # No IPv6 chatter, and replies from foreign subnets are accepted. /proc/sys/net
  # shows the settings of the namespace the writing process is in.
  ip netns exec "$1" sh -c 'for setting in ipv6/conf/all/disable_ipv6 ipv6/conf/default/disable_ipv6; do
      [ ! -e /proc/sys/net/$setting ] || echo 1 >/proc/sys/net/$setting; done
    for setting in ipv4/conf/all/rp_filter ipv4/conf/default/rp_filter; do
      echo 0 >/proc/sys/net/$setting; done'
  ip -n "$1" link set lo up
}

lab_up() {
  local lab=$1 sw="$1-sw" pc="$1-pc"
  check_lab_name "$lab"
  [ -z "$(lab_namespaces "$lab")" ] || die "lab $lab exists already"
  ip netns add "$sw"
  ip netns add "$pc"
  quiet_namespace "$sw"
  quiet_namespace "$pc"
  for link in a b; do
    ip -n "$sw" link add "br$link" type bridge
    ip -n "$sw" link set "br$link" up
  done
  ip -n "$pc" link add eth0 type veth peer name pca netns "$sw"
  ip -n "$pc" link add eth1 type veth peer name pcb netns "$sw"
  ip -n "$sw" link set pca master bra up
  ip -n "$sw" link set pcb master brb up
  ip -n "$pc" addr add 192.0.2.1/24 dev eth0
  ip -n "$pc" addr add 198.51.100.1/24 dev eth1
  ip -n "$pc" link set eth0 up
  ip -n "$pc" link set eth1 up
}

check_host_name() {
  [[ "$1" =~ ^[A-Za-z0-9]{1,12}$ ]] || die "host name must be 1-12 letters or digits, got '$1'"
  [[ "$1" != pc && "$1" != sw ]] || die "host name $1 is taken by the lab"
}

check_link() {
  ip -n "$1-sw" link show "br$2" >/dev/null 2>&1 || die "link $2 is not in lab $1"
}

lab_host() {
  local lab=$1 name=$2 link=$3
  shift 3
  check_lab_name "$lab"
  check_host_name "$name"
  [[ "$link" =~ ^[a-z0-9]{1,8}$ ]] || die "link must be a, b or a router's link, got '$link'"
  check_link "$lab" "$link"
  local addresses=() mac="" via=""
  while [ $# -gt 0 ]; do
    case "$1" in
      --mac) mac=$2; shift 2 ;;
      --via) via=$2; shift 2 ;;
      *) addresses+=("$1"); shift ;;
    esac
  done
  local ns="$lab-$name" sw="$lab-sw"
  ip netns add "$ns"
  quiet_namespace "$ns"
  ip -n "$ns" link add eth0 type veth peer name "m-$name" netns "$sw"
  [ -z "$mac" ] || ip -n "$ns" link set eth0 address "$mac"
  ip -n "$sw" link set "m-$name" master "br$link" up
  ip -n "$ns" link set eth0 up
  local address
  if [ -n "$mac" ] || [ -n "$via" ]; then
    # One MAC for the host: every address on eth0. (Behind a router the PC
    # sees the router's MAC only.)
    for address in "${addresses[@]}"; do
      ip -n "$ns" addr add "$address" dev eth0
    done
  else
    # Each module on the wire with a MAC of its own, as a printer is: an
    # address's device carries the MAC after its '@', or the one quillmar-sim
    # gives a module at that address (02:51 and its four numbers); addresses
    # of one MAC share a device. Only the device that has an address answers
    # ARP for it.
    ip netns exec "$ns" sh -c 'for conf in all default; do
        echo 1 >/proc/sys/net/ipv4/conf/$conf/arp_ignore; echo 2 >/proc/sys/net/ipv4/conf/$conf/arp_announce; done'
    declare -A devices=()
    local count=0 plain own device
    for address in "${addresses[@]}"; do
      plain=${address%@*}
      if [[ "$address" == *@* ]]; then
        own=${address#*@}
      else
        IFS=. read -r o1 o2 o3 o4 <<<"${plain%/*}"
        own=$(printf '02:51:%02x:%02x:%02x:%02x' "$o1" "$o2" "$o3" "$o4")
      fi
      own=${own,,}
      own=${own//-/:}
      device=${devices[$own]:-}
      if [ -z "$device" ]; then
        device="v$count"
        count=$((count + 1))
        devices[$own]=$device
        ip -n "$ns" link add link eth0 name "$device" type macvlan mode bridge
        ip -n "$ns" link set "$device" address "$own"
        ip netns exec "$ns" sh -c "echo 1 >/proc/sys/net/ipv4/conf/$device/arp_ignore; echo 2 >/proc/sys/net/ipv4/conf/$device/arp_announce"
        ip -n "$ns" link set "$device" up
      fi
      ip -n "$ns" addr add "$plain" dev "$device"
    done
  fi
  if [ -n "$via" ]; then
    # Behind a router: whoever asked from another network is reached through it.
    ip -n "$ns" route add default via "$via" dev eth0
  else
    # A module answers whoever asked on its link, whatever subnet the asker is on.
    ip -n "$ns" route add default dev eth0
  fi
}

lab_router() {
  local lab=$1 name=$2 link=$3 address=$4 behind=$5 inner=$6
  check_lab_name "$lab"
  check_host_name "$name"
  [[ "$link" == a || "$link" == b ]] || die "link must be a or b, got '$link'"
  [[ "$behind" =~ ^[c-z][a-z0-9]{0,7}$ ]] || die "the new link's name must be 1-8 letters or digits from c on, got '$behind'"
  local ns="$lab-$name" sw="$lab-sw"
  ip -n "$sw" link show "br$behind" >/dev/null 2>&1 && die "link $behind exists already"
  ip -n "$sw" link add "br$behind" type bridge
  ip -n "$sw" link set "br$behind" up
  ip netns add "$ns"
  quiet_namespace "$ns"
  ip netns exec "$ns" sh -c 'echo 1 >/proc/sys/net/ipv4/ip_forward'
  ip -n "$ns" link add eth0 type veth peer name "m-$name" netns "$sw"
  ip -n "$ns" link add eth1 type veth peer name "r-$name" netns "$sw"
  ip -n "$sw" link set "m-$name" master "br$link" up
  ip -n "$sw" link set "r-$name" master "br$behind" up
  ip -n "$ns" addr add "$address" dev eth0
  ip -n "$ns" addr add "$inner" dev eth1
  ip -n "$ns" link set eth0 up
  ip -n "$ns" link set eth1 up
}

lab_down() {
  local lab=$1 ns pids
  check_lab_name "$lab"
  for ns in $(lab_namespaces "$lab"); do
    pids=$(ip netns pids "$ns" 2>/dev/null || true)
    [ -z "$pids" ] || kill $pids 2>/dev/null || true
  done
  for ns in $(lab_namespaces "$lab"); do
    ip netns del "$ns" 2>/dev/null || true
  done
}

lab_reap() {
  local ns lab owner
  for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | grep -E '^ql[0-9]+-[A-Za-z0-9]+-' || true); do
    lab=${ns%-*}
    owner=${lab#ql}
    owner=${owner%%-*}
    kill -0 "$owner" 2>/dev/null || lab_down "$lab"
  done
}

[ $# -ge 1 ] || die "usage: lab.sh up|host|router|exec|down|reap ..."
[ "$(id -u)" -eq 0 ] || die "the lab needs root"
command=$1
shift
case "$command" in
  up) [ $# -eq 1 ] || die "usage: lab.sh up LAB"; lab_up "$1" ;;
  host) [ $# -ge 3 ] || die "usage: lab.sh host LAB NAME LINK ADDR/PLEN[@MAC]... [--mac MAC] [--via ROUTER]"; lab_host "$@" ;;
  router) [ $# -eq 6 ] || die "usage: lab.sh router LAB NAME a|b ADDR/PLEN LINK ADDR/PLEN"; lab_router "$@" ;;
  exec) [ $# -ge 3 ] || die "usage: lab.sh exec LAB NAME COMMAND..."; lab=$1 name=$2; shift 2
        check_lab_name "$lab"; exec ip netns exec "$lab-$name" "$@" ;;
  down) [ $# -eq 1 ] || die "usage: lab.sh down LAB"; lab_down "$1" ;;
  reap) lab_reap ;;
  *) die "unknown command '$command'" ;;
esac
